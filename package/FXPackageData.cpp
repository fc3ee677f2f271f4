#include "package/FXPackageData.h"

#include "base/FXArray.h"
#include "base/FXFloatArray.h"
#include "base/FXStr.h"
#include "base/FXStrArray.h"
#include "base/fxEndian.h"

#include <cstdint>
#include <cstring>

namespace {


} // namespace

void FXPackageData::InitData(void* block, int n)
{
    start = static_cast<unsigned char*>(block);
    size = (block && n > 0) ? n : 0;
    Reseek();
}

void FXPackageData::Reseek()
{
    position = start;
    remaining = size;
}

bool FXPackageData::ReadBool()
{
    if (!Fits(1))
        return false;
    bool v = position[0] == 1;
    Skip(1);
    return v;
}

int FXPackageData::ReadInt()
{
    if (!Fits(4))
        return 0;
    int v = static_cast<int>(static_cast<int32_t>(fxGetLE32(position)));
    Skip(4);
    return v;
}

float FXPackageData::ReadFloat()
{
    if (!Fits(4))
        return 0.0f;
    uint32_t bits = fxGetLE32(position);
    float v;
    std::memcpy(&v, &bits, 4);
    Skip(4);
    return v;
}

double FXPackageData::ReadDouble()
{
    if (!Fits(8))
        return 0.0;
    uint64_t bits = static_cast<uint64_t>(fxGetLE32(position)) | static_cast<uint64_t>(fxGetLE32(position + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, 8);
    Skip(8);
    return v;
}

void FXPackageData::ReadFloat4(float* dst)
{
    if (!Fits(16))
        return;
    for (int i = 0; i < 4; ++i)
        dst[i] = ReadFloat();
}

void* FXPackageData::ReadCopyBlc(void* dst, int n)
{
    if (!Fits(n) || !dst)
        return nullptr;
    if (n > 0)
        std::memcpy(dst, position, static_cast<size_t>(n));
    Skip(n);
    return dst;
}

const void* FXPackageData::ReadBlc(int n)
{
    if (!Fits(n))
        return nullptr;
    const void* p = position;
    Skip(n);
    return p;
}

void FXPackageData::ReadString(FXStr* s)
{
    s->Clear();
    if (!Fits(4))
        return;
    int n = ReadInt();
    if (n <= 0)
        return;
    if (n > remaining)
        n = remaining;
    int keep = n < FXStr::kMaxLen ? n : FXStr::kMaxLen;
    std::memcpy(s->str, position, static_cast<size_t>(keep));
    s->str[keep] = 0;
    s->len = static_cast<int>(strnlen(s->str, static_cast<size_t>(keep)));
    Skip(n);
}

int FXPackageData::ReadCount()
{
    if (!Fits(4))
        return 0;
    int c = ReadInt();
    if (c <= 0)
        return 0;
    return c > remaining / 4 ? remaining / 4 : c;
}

void FXPackageData::ReadStringArray(FXStrArray* a)
{
    a->RemoveAll();
    int c = ReadCount();
    a->Realloc(c);
    FXStr s;
    for (int i = 0; i < c; ++i) {
        ReadString(&s);
        a->Push(s.str);
    }
}

void FXPackageData::ReadArray(FXArray* a)
{
    a->RemoveAll();
    int c = ReadCount();
    a->Realloc(c);
    for (int i = 0; i < c; ++i)
        a->PushInt(ReadInt());
}

void FXPackageData::ReadFloatArray(FXFloatArray* a)
{
    a->RemoveAll();
    int c = ReadCount();
    a->Realloc(c);
    for (int i = 0; i < c; ++i)
        a->Push(ReadFloat());
}

bool FXPackageData::WriteInt(int v)
{
    if (!Fits(4))
        return false;
    fxPutLE32(position, static_cast<uint32_t>(v));
    Skip(4);
    return true;
}

bool FXPackageData::WriteArray(const FXArray* a)
{
    int n = a && a->count > 0 ? a->count : 0;
    if (n > (remaining - 4) / 4 || remaining < 4)
        return false;
    WriteInt(n);
    for (int i = 0; i < n; ++i)
        WriteInt(a->GetInt(i));
    return true;
}
