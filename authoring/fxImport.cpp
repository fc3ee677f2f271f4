#include "authoring/fxImport.h"

#include "base/fxStream.h"
#include "base/fxTrace.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "render/fxDevil.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void localAppendUtf8(std::string* out, unsigned long c)
{
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xc0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xe0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
        out->push_back(static_cast<char>(0xf0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3f)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
}

// UTF-16 after its byte-order mark; false with the fault in why.
bool localFromUtf16(const std::string& bytes, bool bigEndian, std::string* text, std::string* why)
{
    size_t n = bytes.size();
    if ((n - 2) % 2 != 0) {
        *why = "a UTF-16 text with an odd number of bytes (it ends inside a character)";
        return false;
    }
    auto unit = [&](size_t at) {
        unsigned a = static_cast<unsigned char>(bytes[at]), b = static_cast<unsigned char>(bytes[at + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    text->clear();
    text->reserve(n / 2);
    for (size_t i = 2; i < n; i += 2) {
        unsigned long c = unit(i);
        if (c >= 0xd800 && c < 0xdc00 && i + 3 < n && unit(i + 2) >= 0xdc00 && unit(i + 2) < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (unit(i + 2) - 0xdc00);
            i += 2;
        } else if (c >= 0xd800 && c < 0xe000) {
            char where[96];
            std::snprintf(where, sizeof where, "a UTF-16 text with a broken surrogate pair at byte %zu", i);
            *why = where;
            return false;
        }
        localAppendUtf8(text, c);
    }
    return true;
}

// The next blank-separated word of s, moving s past it; empty at the end.
std::string localWord(const char** s)
{
    const char* p = *s;
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* start = p;
    while (*p && *p != ' ' && *p != '\t')
        ++p;
    *s = p;
    return std::string(start, static_cast<size_t>(p - start));
}

std::string localTrimmed(const char* s)
{
    while (*s == ' ' || *s == '\t')
        ++s;
    std::string r(s);
    while (!r.empty() && (r.back() == ' ' || r.back() == '\t'))
        r.pop_back();
    return r;
}

bool localIsNumber(const std::string& w)
{
    char* end = nullptr;
    std::strtod(w.c_str(), &end);
    return !w.empty() && *end == '\0';
}

// The file name of a texture line, after the options that may stand before
// it ("-s 1 1 1 -clamp on tex.png"): each known option takes its count of
// words, -o, -s and -t one to three numbers. Empty when nothing follows.
std::string localTextureName(const char* s)
{
    static const struct {
        const char* name;
        int words;
    } kOptions[] = {{"-blendu", 1}, {"-blendv", 1}, {"-bm", 1},      {"-boost", 1},   {"-cc", 1},
                    {"-clamp", 1},  {"-imfchan", 1}, {"-mm", 2},     {"-texres", 1},  {"-type", 1},
                    {"-o", -3},     {"-s", -3},     {"-t", -3}};
    for (;;) {
        const char* rest = s;
        std::string w = localWord(&rest);
        int words = 0;
        for (const auto& o : kOptions)
            if (w == o.name)
                words = o.words;
        if (words == 0)
            return localTrimmed(s);
        s = rest;
        if (words > 0) {
            for (int i = 0; i < words; ++i)
                localWord(&s);
            continue;
        }
        // Up to three numbers, the first of them required.
        for (int i = 0; i < -words; ++i) {
            rest = s;
            std::string n = localWord(&rest);
            if (i > 0 && !localIsNumber(n))
                break;
            s = rest;
        }
    }
}

// A line with fewer numbers keeps the channels it does not give.
void localRgb(const char* s, float* c)
{
    int matched = std::sscanf(s, "%f %f %f", &c[0], &c[1], &c[2]);
    (void)matched;
}

FXMaterial* localNewMaterial(FXMatlib* lib)
{
    FXMaterial* m = new FXMaterial;
    m->loaded = true;
    m->SetDefSpecular(1.0f);
    lib->materials.Push(m);
    return m;
}

} // namespace

void fxImportFail(std::string* why, const char* who, const char* fmt, ...)
{
    char text[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    err("%s: %s\n", who, text);
    if (why)
        *why = text;
}

bool fxReadSourceText(const char* path, std::string* text, std::string* why)
{
    std::string bytes;
    errno = 0;
    if (!path || !fxReadFile(path, &bytes)) {
        const char* reason = errno ? std::strerror(errno) : "read error";
        fxImportFail(why, "fxReadSourceText", "%s: %s", path ? path : "(null)", reason);
        return false;
    }
    auto starts = [&bytes](const char* mark, size_t n) {
        return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
    };
    std::string reason;
    if (starts("\xff\xfe", 2) || starts("\xfe\xff", 2)) {
        if (!localFromUtf16(bytes, bytes[0] == '\xfe', text, &reason)) {
            fxImportFail(why, "fxReadSourceText", "%s: %s", path, reason.c_str());
            return false;
        }
    } else {
        *text = bytes.substr(starts("\xef\xbb\xbf", 3) ? 3 : 0);
    }
    if (text->find('\0') != std::string::npos) {
        fxImportFail(why, "fxReadSourceText", "%s: NUL characters in a text (a UTF-16 file needs its byte-order mark)",
                     path);
        return false;
    }
    return true;
}

std::string fxSourceRef(const std::string& ref)
{
    std::string r = ref;
    for (char& c : r)
        if (c == '\\')
            c = '/';
    return r;
}

bool fxSourceRefIsAbsolute(const std::string& ref)
{
    return !ref.empty() && (ref[0] == '/' || ref[0] == '\\' || (ref.size() > 1 && ref[1] == ':'));
}

std::string fxSourceSibling(const char* from, const std::string& ref)
{
    std::string r = fxSourceRef(ref);
    std::string p(from ? from : "");
    size_t slash = p.find_last_of("/\\");
    if (r.empty() || fxSourceRefIsAbsolute(r) || slash == std::string::npos)
        return r;
    return p.substr(0, slash + 1) + r;
}

bool fxImportMtl(FXMatlib* lib, const char* path, std::string* why)
{
    if (!lib)
        return false;
    lib->Destroy();
    std::string text;
    if (!fxReadSourceText(path, &text, why))
        return false;
    lib->name.Set(path);
    // The first material takes what stands before the first "newmtl".
    FXMaterial* m = localNewMaterial(lib);
    int number = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const char* s = line.c_str();
        std::string key = localWord(&s);
        // Other keys starting with N are passed over within their line.
        while (key.size() >= 1 && key[0] == 'N' && (key.size() < 2 || (key[1] != 's' && key[1] != 'i')))
            key = localWord(&s);
        if (key.empty() || key[0] == '#')
            continue;
        if (key.compare(0, 6, "newmtl") == 0) {
            m = localNewMaterial(lib);
            const char* rest = s;
            m->name.Set(localWord(&rest).c_str());
            m->name.TrimSpaces();
        } else if (key[0] == 'K' && key.size() >= 2 && (key[1] == 'a' || key[1] == 'd' || key[1] == 's')) {
            localRgb(s, key[1] == 'a' ? m->ambient : key[1] == 'd' ? m->diffuse : m->specular);
        } else if (key[0] == 'N' && key[1] == 's') {
            float v = 0;
            if (std::sscanf(s, "%f", &v) == 1)
                m->shininess = v * 1.28f;
        } else if (key[0] == 'd') {
            float v = 0;
            if (std::sscanf(s, "%f", &v) == 1)
                m->diffuse[3] = v;
        } else if (key == "map_Kd") {
            std::string ref = fxSourceRef(localTextureName(s));
            if (ref.empty())
                continue;
            std::string file = fxSourceSibling(path, ref);
            errno = 0;
            FILE* probe = fxOpenFile(file.c_str(), "rb");
            if (!probe) {
                fxImportFail(why, "fxImportMtl", "%s:%d: texture %s: %s", path, number, ref.c_str(),
                          errno ? std::strerror(errno) : "cannot be read");
                lib->Destroy();
                return false;
            }
            std::fclose(probe);
            m->texExtentU = m->texExtentV = 0;
            m->LoadTexture(file.c_str());
            // Without an environment nothing is uploaded, but a decoded
            // picture has given the material its extents.
            if (fxDevilBound() && !(m->texExtentU > 0)) {
                fxImportFail(why, "fxImportMtl", "%s:%d: texture %s: the image library cannot decode it", path, number,
                             ref.c_str());
                lib->Destroy();
                return false;
            }
            m->textureRef.Set(ref.c_str());
        }
    }
    return true;
}
