#include "host/fxXScreenSaverPrefs.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

std::string localTrim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

// A boolean resource's value, or *out untouched when it is none.
void localBool(const std::string& value, bool* out)
{
    std::string v;
    for (char c : value)
        v += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (v == "true" || v == "on" || v == "yes")
        *out = true;
    else if (v == "false" || v == "off" || v == "no")
        *out = false;
}

} // namespace

FXXScreenSaverPrefs fxParseXScreenSaverPrefs(const std::string& text, const std::string& home)
{
    FXXScreenSaverPrefs prefs;
    auto take = [&](const std::string& logical) {
        std::string l = localTrim(logical);
        size_t colon = l.find(':');
        if (l.empty() || l[0] == '#' || l[0] == '!' || colon == std::string::npos)
            return;
        std::string key = localTrim(l.substr(0, colon));
        std::string value = localTrim(l.substr(colon + 1));
        if (key == "grabDesktopImages") {
            localBool(value, &prefs.grabDesktopImages);
        } else if (key == "chooseRandomImages") {
            localBool(value, &prefs.chooseRandomImages);
        } else if (key == "imageDirectory") {
            if ((value == "~" || value.compare(0, 2, "~/") == 0) && !home.empty())
                value = home + value.substr(1);
            prefs.imageDirectory = value;
        }
    };
    std::istringstream in(text);
    std::string raw, line;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (!raw.empty() && raw.back() == '\\') {
            line += raw.substr(0, raw.size() - 1);
            continue;
        }
        take(line + raw);
        line.clear();
    }
    take(line);
    return prefs;
}

bool fxReadXScreenSaverPrefs(const std::string& home, FXXScreenSaverPrefs* prefs)
{
    *prefs = FXXScreenSaverPrefs();
    if (home.empty())
        return false;
    std::ifstream f(home + "/.xscreensaver", std::ios::binary);
    if (!f)
        return false;
    std::ostringstream text;
    text << f.rdbuf();
    *prefs = fxParseXScreenSaverPrefs(text.str(), home);
    return true;
}
