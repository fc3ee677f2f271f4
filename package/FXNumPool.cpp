#include "package/FXNumPool.h"

#include "base/fxEndian.h"
#include "base/fxStream.h"
#include "package/FXPackageData.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

void FXNumPool::LoadC(FXPackage* pkg, FXPackageData* data)
{
    (void)pkg;
    used = 0;
    Reseek();
    if (!data)
        return;
    int n = data->ReadInt();
    if (n <= 0 || n > data->remaining || !Realloc(n))
        return;
    data->ReadCopyBlc(bytes, n);
    used = n;
}

void FXNumPool::Reseek()
{
    readPos = bytes;
    bytesRead = 0;
}

bool FXNumPool::Next(void* v, int n)
{
    if (!bytes || used - bytesRead < n)
        return false;
    const unsigned char* p = bytes + bytesRead;
    if (n == 1)
        *static_cast<unsigned char*>(v) = p[0];
    else if (n == 2)
        *static_cast<unsigned short*>(v) = fxGetLE16(p);
    else
        *static_cast<int*>(v) = static_cast<int>(static_cast<int32_t>(fxGetLE32(p)));
    bytesRead += n;
    readPos = bytes + bytesRead;
    return true;
}

bool FXNumPool::GetNextByte(unsigned char* v) { return Next(v, 1); }
bool FXNumPool::GetNextWord(unsigned short* v) { return Next(v, 2); }
bool FXNumPool::GetNextInt(int* v) { return Next(v, 4); }

bool FXNumPool::GetNextTriple(int* prev, int* out)
{
    int startRead = bytesRead;
    unsigned char control;
    if (!GetNextByte(&control))
        return false;
    int value[3];
    for (int k = 0; k < 3; ++k) {
        int code = (control >> (2 * k)) & 3;
        bool ok = true;
        if (code == 0) {
            // Wraps rather than overflows after INT_MAX; the result is an
            // index no table has.
            value[k] = static_cast<int>(static_cast<unsigned>(prev[k]) + 1u);
        } else if (code == 1) {
            unsigned char b = 0;
            ok = GetNextByte(&b);
            value[k] = b;
        } else if (code == 2) {
            unsigned short w = 0;
            ok = GetNextWord(&w);
            value[k] = w;
        } else {
            ok = GetNextInt(&value[k]);
        }
        if (!ok) {
            bytesRead = startRead;
            readPos = bytes + bytesRead;
            return false;
        }
    }
    for (int k = 0; k < 3; ++k)
        prev[k] = out[k] = value[k];
    return true;
}

bool FXNumPool::Realloc(int n)
{
    if (n <= capacity)
        return true;
    int64_t by = step > 0 ? step : 1;
    int64_t steps = (static_cast<int64_t>(n) - capacity + by - 1) / by;
    int64_t cap = capacity + steps * by;
    if (cap > 0x7fffffff)
        return false;
    unsigned char* b = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(cap), 1));
    if (!b)
        return false;
    if (bytes && used > 0)
        std::memcpy(b, bytes, static_cast<size_t>(used < capacity ? used : capacity));
    std::free(bytes);
    bytes = b;
    capacity = static_cast<int>(cap);
    readPos = bytes + bytesRead;
    return true;
}

void FXNumPool::DestroyBuf()
{
    std::free(bytes);
    bytes = nullptr;
    readPos = nullptr;
    bytesRead = 0;
    used = 0;
    capacity = 0;
}

bool FXNumPool::PushBytes(const unsigned char* b, int n)
{
    if (used > 0x7fffffff - n || !Realloc(used + n))
        return false;
    std::memcpy(bytes + used, b, static_cast<size_t>(n));
    used += n;
    return true;
}

bool FXNumPool::PushByte(unsigned char v)
{
    return PushBytes(&v, 1);
}

bool FXNumPool::PushWord(unsigned short v)
{
    unsigned char b[2];
    fxPutLE16(b, v);
    return PushBytes(b, 2);
}

bool FXNumPool::PushInt(int v)
{
    unsigned char b[4];
    fxPutLE32(b, static_cast<uint32_t>(v));
    return PushBytes(b, 4);
}

bool FXNumPool::Save(FILE* f) const
{
    if (!fxWriteInt32(f, used))
        return false;
    return used <= 0 || std::fwrite(bytes, 1, static_cast<size_t>(used), f) == static_cast<size_t>(used);
}

bool FXNumPool::Load(FILE* f)
{
    used = 0;
    Reseek();
    int32_t n = 0;
    if (!fxReadCount(f, &n, 1))
        return false;
    if (n == 0)
        return true;
    if (!Realloc(n) || std::fread(bytes, 1, static_cast<size_t>(n), f) != static_cast<size_t>(n))
        return false;
    used = n;
    return true;
}
