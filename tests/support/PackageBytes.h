// Builds package bytes by hand for the reader's tests, independent of the
// project's own writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class Bytes {
public:
    std::string s;

    Bytes& Int(int32_t v)
    {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>((u >> (8 * i)) & 0xff);
        return *this;
    }
    Bytes& Float(float f)
    {
        int32_t i;
        std::memcpy(&i, &f, 4);
        return Int(i);
    }
    Bytes& Raw(const std::string& r)
    {
        s += r;
        return *this;
    }
    Bytes& Str(const std::string& t) { return Int(static_cast<int32_t>(t.size())).Raw(t); }
};

struct TestEntry {
    int id;
    std::string bytes;
    int type;
};

// The payload of the tables and data area for these entries, in row order.
inline std::string PackagePayload(const std::vector<TestEntry>& entries)
{
    Bytes b;
    b.Int(static_cast<int32_t>(entries.size()));
    for (const TestEntry& e : entries)
        b.Int(e.id);
    b.Int(static_cast<int32_t>(entries.size()));
    int off = 0;
    for (const TestEntry& e : entries) {
        b.Int(off);
        off += static_cast<int>(e.bytes.size());
    }
    b.Int(static_cast<int32_t>(entries.size()));
    for (const TestEntry& e : entries)
        b.Int(static_cast<int32_t>(e.bytes.size()));
    b.Int(static_cast<int32_t>(entries.size()));
    for (const TestEntry& e : entries)
        b.Int(e.type);
    for (const TestEntry& e : entries)
        b.Raw(e.bytes);
    return b.s;
}

// Transposes as the package format does: an n-by-n square, the rest kept.
inline std::string TransposeBytes(const std::string& in)
{
    size_t n = 0;
    while ((n + 1) * (n + 1) <= in.size())
        ++n;
    std::string out = in;
    for (size_t c = 0; c < n; ++c)
        for (size_t k = 0; k < n; ++k)
            out[c * n + k] = in[k * n + c];
    return out;
}

inline std::string PackageFile(const std::string& header, const std::string& payload)
{
    return Bytes().Str(header).Raw(payload).s;
}
