#include "base/fxPaths.h"

#include "sys/fxSystem.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

char localStartPath[kFxPathBuf];
char localSysFontsPath[kFxPathBuf];
char localGetPath[kFxPathBuf];
char localTmpPath[kFxPathBuf];

bool localIsSep(char c) { return c == '/' || c == '\\'; }

char localSepOf(const char* s)
{
    return (std::strchr(s, '/') && !std::strchr(s, '\\')) ? '/' : '\\';
}

// Copies at most max characters of src and terminates.
void localCopyCut(char* dst, const char* src, size_t max)
{
    size_t n = src ? strnlen(src, max) : 0;
    if (n)
        std::memcpy(dst, src, n);
    dst[n] = 0;
}

// Results longer than the buffers allow come out empty rather than cut:
// a cut path names another file.
char* localResult(char* buf, const std::string& s)
{
    if (s.size() > kFxPathMax)
        buf[0] = 0;
    else
        std::memcpy(buf, s.c_str(), s.size() + 1);
    return buf;
}

bool localHasDrive(const std::string& s)
{
    return s.size() >= 2 && s[1] == ':' && std::isalpha(static_cast<unsigned char>(s[0]));
}

// A path as its root ("C:\", "C:", "\\", "/", or empty) and its components.
struct localSplit {
    std::string root;
    std::vector<std::string> parts;
    bool trailing = false; // the path ended with a separator
};

localSplit localSplitPath(const std::string& p)
{
    localSplit r;
    size_t i = 0;
    if (localHasDrive(p))
        i = 2;
    while (i < p.size() && localIsSep(p[i]))
        ++i;
    r.root = p.substr(0, i);
    std::string cur;
    for (; i < p.size(); ++i) {
        if (localIsSep(p[i])) {
            if (!cur.empty())
                r.parts.push_back(cur);
            cur.clear();
        } else {
            cur += p[i];
        }
    }
    if (!cur.empty())
        r.parts.push_back(cur);
    r.trailing = !p.empty() && localIsSep(p.back()) && !r.parts.empty();
    // Resolve "." and ".."; ".." above the root is dropped when there is a
    // root, kept for a relative path.
    std::vector<std::string> out;
    for (const std::string& c : r.parts) {
        if (c == ".")
            continue;
        if (c == ".." && !out.empty() && out.back() != "..") {
            out.pop_back();
            continue;
        }
        if (c == ".." && !r.root.empty())
            continue;
        out.push_back(c);
    }
    r.parts = out;
    return r;
}

std::string localJoin(const localSplit& s, char sep)
{
    std::string r = s.root;
    for (size_t i = 0; i < s.parts.size(); ++i) {
        if (i)
            r += sep;
        r += s.parts[i];
    }
    if (s.trailing && !s.parts.empty())
        r += sep;
    return r;
}

bool localSameName(const std::string& a, const std::string& b)
{
    if (!fxSysPathsIgnoreCase())
        return a == b;
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool localSameRoot(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (localIsSep(a[i]) && localIsSep(b[i]))
            continue;
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Drive, directory (with its last separator), name and extension (with its
// dot), as the runtime's path splitter gives them.
struct localParts {
    std::string drive, dir, name, ext;
};

localParts localSplitName(const char* path)
{
    localParts r;
    std::string p = path ? path : "";
    size_t i = 0;
    if (localHasDrive(p)) {
        r.drive = p.substr(0, 2);
        i = 2;
    }
    size_t lastSep = std::string::npos;
    for (size_t k = i; k < p.size(); ++k)
        if (localIsSep(p[k]))
            lastSep = k;
    size_t nameAt = i;
    if (lastSep != std::string::npos) {
        r.dir = p.substr(i, lastSep + 1 - i);
        nameAt = lastSep + 1;
    }
    std::string file = p.substr(nameAt);
    size_t dot = file.rfind('.');
    if (dot == std::string::npos) {
        r.name = file;
    } else {
        r.name = file.substr(0, dot);
        r.ext = file.substr(dot);
    }
    return r;
}

std::string localMakeName(const localParts& p)
{
    std::string r = p.drive + p.dir + p.name;
    if (!p.ext.empty()) {
        if (p.ext[0] != '.')
            r += '.';
        r += p.ext;
    }
    return r;
}

} // namespace

void localAddPathEnding(char* s)
{
    if (!s)
        return;
    size_t n = std::strlen(s);
    if (n > 0 && localIsSep(s[n - 1]))
        return;
    s[n] = localSepOf(s);
    s[n + 1] = 0;
}

void fxInitPaths()
{
    char buf[kFxPathBuf];
    if (!fxSysGetCurrentDir(buf, 261))
        buf[0] = 0;
    fxSetTypePath(1, buf);
    if (!fxSysGetFontsDir(buf, sizeof buf))
        buf[0] = 0;
    fxSetTypePath(2, buf);
}

void fxSetTypePath(int type, const char* p)
{
    char* slot = type == 1 ? localStartPath : type == 2 ? localSysFontsPath : nullptr;
    if (!slot)
        return;
    localCopyCut(slot, p, kFxPathMax);
    localAddPathEnding(slot);
}

const char* fxGetTypePath(int type)
{
    if (type == 1)
        return localStartPath;
    if (type == 2)
        return localSysFontsPath;
    return nullptr;
}

bool fxSetActPath(const char* p)
{
    return fxSysSetCurrentDir(p);
}

bool fxSetPath(int type)
{
    return fxSetActPath(fxGetTypePath(type));
}

bool fxSetSubPath(int type, const char* sub)
{
    const char* dir = fxGetTypePath(type);
    return dir && fxSetActPath(fxCombinePaths(dir, sub));
}

char* fxGetActPath()
{
    if (!fxSysGetCurrentDir(localGetPath, kFxPathMax + 1))
        localGetPath[0] = 0;
    localAddPathEnding(localGetPath);
    return localGetPath;
}

const char* fxCombinePaths(const char* dir, const char* file)
{
    std::string d = dir ? dir : "";
    std::string f = file ? file : "";
    if (!f.empty() && localIsSep(f[0]))
        f.erase(0, 1);
    std::string joined;
    if (localHasDrive(f) || d.empty()) {
        joined = f;
    } else if (!f.empty() && localIsSep(f[0])) {
        joined = localSplitPath(d).root.substr(0, localHasDrive(d) ? 2 : 0) + f;
    } else if (f.empty()) {
        joined = d;
    } else {
        joined = d;
        if (!localIsSep(joined.back()))
            joined += localSepOf(d.c_str());
        joined += f;
    }
    return localResult(localTmpPath, localJoin(localSplitPath(joined), localSepOf(joined.c_str())));
}

char* fxBuildRelativePath(const char* from, bool fromIsFile, const char* to, bool toIsFile)
{
    (void)toIsFile;
    std::string t = to ? to : "";
    std::string f = from ? from : "";
    char sep = localSepOf(f.c_str());
    localSplit a = localSplitPath(f);
    if (fromIsFile && !a.trailing && !a.parts.empty())
        a.parts.pop_back();
    localSplit b = localSplitPath(t);
    if (f.empty() || t.empty() || !localSameRoot(a.root, b.root))
        return localResult(localTmpPath, t);
    size_t common = 0;
    while (common < a.parts.size() && common < b.parts.size() && localSameName(a.parts[common], b.parts[common]))
        ++common;
    std::string r;
    size_t up = a.parts.size() - common;
    if (up == 0)
        r = std::string(".") + sep;
    for (size_t i = 0; i < up; ++i)
        r += std::string("..") + sep;
    for (size_t i = common; i < b.parts.size(); ++i) {
        r += b.parts[i];
        if (i + 1 < b.parts.size())
            r += sep;
    }
    if (common == b.parts.size() && !r.empty() && localIsSep(r.back()))
        r.pop_back();
    if (!r.empty() && localIsSep(r[0]))
        r.erase(0, 1);
    return localResult(localTmpPath, r);
}

const char* fxGetFilename(const char* path)
{
    if (!path)
        return nullptr;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if ((localIsSep(*p) || *p == ':') && p[1] && !localIsSep(p[1]))
            name = p + 1;
    return name;
}

bool fxPathExists(const char* path)
{
    return fxSysPathExists(path);
}

char* fxChangeExt(const char* path, const char* ext)
{
    localParts p = localSplitName(path);
    p.ext = ext ? ext : "";
    return localResult(localTmpPath, localMakeName(p));
}

char* fxAppenfFname(const char* path, const char* s)
{
    localParts p = localSplitName(path);
    p.name += s ? s : "";
    return localResult(localTmpPath, localMakeName(p));
}

int fxFirstFolderHolding(const char* file, const char* const* folders, int n)
{
    for (int i = 0; i < n; ++i) {
        if (!folders[i] || !*folders[i])
            continue;
        const char* path = fxCombinePaths(folders[i], file);
        if (*path && fxPathExists(path))
            return i;
    }
    return -1;
}
