// A scratch file or folder for a test, removed when it goes out of scope.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/lwtestXXXXXX";
        const char* d = mkdtemp(tmpl);
        path = d ? d : "";
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
    std::string File(const char* name) const { return path + "/" + name; }

    std::string path;
};

// Reads a whole file as bytes.
inline std::string ReadFileBytes(const std::string& name)
{
    std::string s;
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f)
        return s;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    std::fclose(f);
    return s;
}

// Writes bytes as a whole file; false when it cannot.
inline bool WriteFileBytes(const std::string& name, const std::string& bytes)
{
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// An in-memory stream over the given bytes, for the stream readers.
inline FILE* StreamOf(const std::string& bytes)
{
    FILE* f = std::tmpfile();
    if (!f)
        return nullptr;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

inline bool fxPathExistsForTest(const std::string& name)
{
    std::error_code ec;
    return std::filesystem::exists(name, ec);
}
