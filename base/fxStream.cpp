#include "base/fxStream.h"

#include "base/fxEndian.h"
#include "sys/fxSystem.h"

#include <cstring>

bool fxWriteInt32(FILE* f, int32_t v)
{
    unsigned char b[4];
    fxPutLE32(b, static_cast<uint32_t>(v));
    return f && std::fwrite(b, 1, 4, f) == 4;
}

bool fxReadInt32(FILE* f, int32_t* v)
{
    unsigned char b[4];
    if (!f || std::fread(b, 1, 4, f) != 4)
        return false;
    *v = static_cast<int32_t>(fxGetLE32(b));
    return true;
}

bool fxWriteFloat(FILE* f, float v)
{
    int32_t i;
    std::memcpy(&i, &v, 4);
    return fxWriteInt32(f, i);
}

bool fxReadFloat(FILE* f, float* v)
{
    int32_t i;
    if (!fxReadInt32(f, &i))
        return false;
    std::memcpy(v, &i, 4);
    return true;
}

bool fxWriteDouble(FILE* f, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return fxWriteInt32(f, static_cast<int32_t>(bits & 0xffffffffu)) && fxWriteInt32(f, static_cast<int32_t>(bits >> 32));
}

bool fxReadDouble(FILE* f, double* v)
{
    int32_t lo, hi;
    if (!fxReadInt32(f, &lo) || !fxReadInt32(f, &hi))
        return false;
    uint64_t bits = static_cast<uint32_t>(lo) | static_cast<uint64_t>(static_cast<uint32_t>(hi)) << 32;
    std::memcpy(v, &bits, 8);
    return true;
}

bool fxWriteBool(FILE* f, bool v)
{
    return f && std::fputc(v ? 1 : 0, f) != EOF;
}

FILE* fxOpenFile(const char* path, const char* mode)
{
    return fxSysOpenFile(path, mode);
}

bool fxReadFile(const char* path, std::string* out)
{
    FILE* f = path ? fxSysOpenFile(path, "rb") : nullptr;
    if (!f)
        return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out->append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool fxReplaceFile(const char* path, const std::string& bytes, std::string* why)
{
    char reason[1200];
    if (fxSysReplaceFile(path, bytes.data(), bytes.size(), reason, static_cast<int>(sizeof reason)))
        return true;
    if (why)
        *why = reason;
    return false;
}

bool fxReadBool(FILE* f, bool* v)
{
    int c = f ? std::fgetc(f) : EOF;
    if (c == EOF)
        return false;
    *v = c == 1;
    return true;
}

bool fxSkipBytes(FILE* f, long n)
{
    char scratch[512];
    while (n > 0) {
        size_t want = n < static_cast<long>(sizeof scratch) ? static_cast<size_t>(n) : sizeof scratch;
        size_t got = std::fread(scratch, 1, want, f);
        if (got == 0)
            return false;
        n -= static_cast<long>(got);
    }
    return true;
}

long fxRemainingBytes(FILE* f)
{
    if (!f)
        return -1;
    long pos = std::ftell(f);
    if (pos < 0 || std::fseek(f, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(f);
    std::fseek(f, pos, SEEK_SET);
    return end < pos ? 0 : end - pos;
}

bool fxReadCount(FILE* f, int32_t* n, int itemBytes)
{
    *n = 0;
    int32_t v = 0;
    if (!fxReadInt32(f, &v))
        return false;
    if (v <= 0)
        return true;
    long left = fxRemainingBytes(f);
    if (left >= 0 && itemBytes > 0 && static_cast<long>(v) > left / itemBytes)
        return false;
    *n = v;
    return true;
}
