#include "authoring/FXManifest.h"

#include "base/fxStream.h"
#include "base/fxTrace.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const FXManifest::KindInfo FXManifest::kKinds[kKindCount] = {
    {"picture", true, {}},
    {"library", true, {}},
    {"model", true, {"version"}},
    {"animation", true, {"times", "loop", "pingpong", "playing"}},
    {"movie", true, {"fps", "time", "loop", "pingpong", "quality"}},
    {"phaser", false, {"phase", "duration", "active", "reverse", "loop", "pingpong", "smooth", "halfsmooth"}},
    {"matrix", false, {"values"}},
};

namespace {

// False on an unterminated quote.
bool localWords(const std::string& line, std::vector<std::string>* out)
{
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        std::string w;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            if (line[i] == '"') {
                size_t end = line.find('"', i + 1);
                if (end == std::string::npos)
                    return false;
                w += line.substr(i + 1, end - i - 1);
                i = end + 1;
            } else {
                w += line[i++];
            }
        }
        out->push_back(w);
    }
    return true;
}

bool localFail(FXManifest* m, int line, const char* fmt, ...) FX_PRINTF(3, 4);

bool localFail(FXManifest* m, int line, const char* fmt, ...)
{
    char text[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    m->error = text;
    m->errorLine = line;
    m->entries.clear();
    return false;
}

} // namespace

const FXManifest::KindInfo* FXManifest::FindKind(const std::string& name, Kind* kind)
{
    for (int i = 0; i < kKindCount; ++i)
        if (name == kKinds[i].name) {
            if (kind)
                *kind = static_cast<Kind>(i);
            return &kKinds[i];
        }
    return nullptr;
}

void FXManifest::Destroy()
{
    path.clear();
    entries.clear();
    firstFreeId = 1000;
    error.clear();
    errorLine = 0;
}

bool FXManifest::Load(const char* file)
{
    Destroy();
    std::string text;
    errno = 0;
    if (!file || !fxReadFile(file, &text)) {
        path = file ? file : "";
        return localFail(this, 0, "cannot read the manifest: %s", errno ? std::strerror(errno) : "read error");
    }
    return LoadText(text, file);
}

bool FXManifest::LoadText(const std::string& text, const char* file)
{
    Destroy();
    path = file ? file : "";
    std::map<int, int> lineOfId;
    int number = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() + 1 : end + 1;
        ++number;
        std::vector<std::string> w;
        if (!localWords(line, &w))
            return localFail(this, number, "a quote is not closed");
        if (w.empty())
            continue;
        Entry e;
        e.line = number;
        const KindInfo* k = FindKind(w[0], &e.kind);
        if (!k)
            return localFail(this, number,
                             "unknown kind \"%s\" (picture, library, model, animation, movie, phaser, matrix)",
                             w[0].c_str());
        if (w.size() < 2)
            return localFail(this, number, "%s needs an id (an integer or \"auto\")", k->name);
        if (w[1] == "auto")
            e.autoId = true;
        else if (!FXManifest::ParseInt(w[1], &e.id))
            return localFail(this, number, "\"%s\" is not an id (an integer or \"auto\")", w[1].c_str());
        size_t i = 2;
        if (k->source) {
            if (w.size() < 3 || w[2].find('=') != std::string::npos)
                return localFail(this, number, "%s needs a source file", k->name);
            e.source = w[i++];
        }
        for (; i < w.size(); ++i) {
            size_t eq = w[i].find('=');
            std::string key = w[i].substr(0, eq);
            if (eq == std::string::npos || std::find(k->keys.begin(), k->keys.end(), key) == k->keys.end())
                return localFail(this, number, "%s takes no \"%s\"", k->name, w[i].c_str());
            e.options[key] = w[i].substr(eq + 1);
        }
        if (!e.autoId) {
            auto seen = lineOfId.find(e.id);
            if (seen != lineOfId.end())
                return localFail(this, number, "id %d is already given on line %d", e.id, seen->second);
            lineOfId[e.id] = number;
        }
        entries.push_back(e);
    }
    if (entries.empty())
        return localFail(this, 0, "the manifest names no entries");
    int top = 999;
    for (const Entry& e : entries)
        if (!e.autoId && e.id > top)
            top = e.id;
    if (top == 2147483647)
        return localFail(this, lineOfId[top], "no ids are left above %d for the entries the tool hands out", top);
    firstFreeId = top + 1;
    return true;
}

bool FXManifest::ParseInt(const std::string& s, int* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || v < -2147483647L - 1 || v > 2147483647L)
        return false;
    *out = static_cast<int>(v);
    return true;
}
