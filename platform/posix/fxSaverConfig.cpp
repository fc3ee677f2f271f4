#include "platform/posix/fxSaverConfig.h"

#include "base/fxPaths.h"
#include "base/fxStream.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

#ifndef LW_BUILD_DIR
#define LW_BUILD_DIR ""
#endif

namespace {

std::string localTrim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// A line "key = value" of the configuration file.
bool localIsKeyLine(const std::string& line, const std::string& key, std::string* value)
{
    std::string t = localTrim(line);
    if (t.compare(0, key.size(), key) != 0)
        return false;
    std::string rest = localTrim(t.substr(key.size()));
    if (rest.empty() || rest[0] != '=')
        return false;
    if (value)
        *value = localTrim(rest.substr(1));
    return true;
}

// Absolute, with symbolic links resolved as far as the path exists, so a
// link to the program or to the build folder compares as its target.
fs::path localReal(const fs::path& p)
{
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec).lexically_normal();
    fs::path real = fs::weakly_canonical(abs, ec);
    return ec ? abs : real;
}

} // namespace

std::string fxSaverConfigFile()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"))
        base = fs::path(home) / ".config";
    else
        base = ".config";
    return (base / "vorn3d" / "Lumenwhirl.conf").string();
}

bool fxSaverConfigValue(const std::string& key, std::string* value)
{
    std::ifstream in(fxSaverConfigFile());
    std::string line;
    while (in && std::getline(in, line))
        if (localIsKeyLine(line, key, value))
            return true;
    return false;
}

std::string fxSaverDataFolderOf(const std::string& exe, const std::string& buildDir)
{
    fs::path dir = localReal(exe).parent_path();
    if (!buildDir.empty() && dir == localReal(buildDir))
        return (dir / "data").string();
    fs::path prefix = dir.parent_path();
    if (dir.filename() == "xscreensaver" && prefix.filename() == "libexec")
        prefix = prefix.parent_path();
    return (prefix / "share" / "lumenwhirl").string();
}

std::string fxSaverDataFolder(const char* argv0)
{
    // xscreensaver starts a hack through sh with its folder on PATH, so
    // argv0 may be a bare name; the kernel knows where the program is.
    std::error_code ec;
    fs::path exe = fs::canonical("/proc/self/exe", ec);
    if (ec)
        exe = fs::absolute(argv0 ? argv0 : "lumenwhirl", ec);
    return fxSaverDataFolderOf(exe.string(), LW_BUILD_DIR);
}

bool fxSaverIsInstalledData(const char* folder)
{
    fs::path real = localReal(folder);
    fs::path data = localReal(fxSaverDataFolder(nullptr));
    return real == data && (!*LW_BUILD_DIR || data != localReal(fs::path(LW_BUILD_DIR) / "data"));
}

std::string fxSaverInstallFolder(const char* argv0, std::string* note)
{
    std::string env, conf, file = fxSaverConfigFile();
    if (const char* e = std::getenv("LUMENWHIRL_PATH"))
        env = e;
    std::ifstream in(file);
    std::string line, value;
    while (in && std::getline(in, line))
        if (localIsKeyLine(line, "path", &value) && !value.empty()) {
            conf = value;
            break;
        }
    std::string data = fxSaverDataFolder(argv0);
    const std::string names[] = {"LUMENWHIRL_PATH", "the path in " + file, "the program's data folder"};
    const char* folders[] = {env.c_str(), conf.c_str(), data.c_str()};
    int used = fxFirstFolderHolding("lwhirl.dat", folders, 3);
    bool found = used >= 0;
    if (!found)
        used = !env.empty() ? 0 : !conf.empty() ? 1 : 2;
    if (note) {
        *note = "install folder from " + names[used] + (found ? "" : "; no folder holds lwhirl.dat");
        for (int i = 0; i < used; ++i)
            if (*folders[i])
                *note += std::string("; ") + folders[i] + " (" + names[i] + ") holds no lwhirl.dat";
    }
    return folders[used];
}

bool fxSaverWriteInstallFolder(const std::string& folder, std::string* why)
{
    std::error_code ec;
    fs::path file = fxSaverConfigFile();
    std::vector<std::string> lines;
    bool replaced = false;
    if (fs::exists(file, ec)) {
        std::ifstream in(file);
        if (!in) {
            *why = "cannot read " + file.string() + ": left as it is";
            return false;
        }
        std::string line;
        while (std::getline(in, line)) {
            if (localIsKeyLine(line, "path", nullptr)) {
                if (replaced)
                    continue;
                line = "path=" + folder;
                replaced = true;
            }
            lines.push_back(line);
        }
        if (in.bad()) {
            *why = "cannot read " + file.string() + ": left as it is";
            return false;
        }
    } else {
        lines.push_back("# Lumenwhirl: the folder that holds lwhirl.dat");
    }
    if (!replaced)
        lines.push_back("path=" + folder);
    fs::create_directories(file.parent_path(), ec);
    std::string text;
    for (const std::string& l : lines)
        text += l + '\n';
    return fxReplaceFile(file.string().c_str(), text, why);
}
