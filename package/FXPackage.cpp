#include "package/FXPackage.h"

#include "base/fxEndian.h"
#include "base/fxTrace.h"
#include "package/FXPackageData.h"
#include "sys/fxSystem.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char kMagic[] = "pck01";

long localISqrt(long v)
{
    long n = 0;
    while ((n + 1) * (n + 1) <= v)
        ++n;
    return n;
}

// A table: count, then count int32 values. False when the count is negative
// or does not fit in the bytes left.
bool localReadTable(FXPackageData* cur, FXArray* table)
{
    if (cur->remaining < 4)
        return false;
    int n = cur->ReadInt();
    if (n < 0 || n > cur->remaining / 4 || table->Realloc(n) < n)
        return false;
    table->RemoveAll();
    for (int i = 0; i < n; ++i)
        table->PushInt(cur->ReadInt());
    return true;
}

} // namespace

void FXPackage::Transpose(const unsigned char* in, unsigned char* out, long size)
{
    if (size <= 0)
        return;
    long n = localISqrt(size);
    for (long c = 0; c < n; ++c)
        for (long k = 0; k < n; ++k)
            out[c * n + k] = in[k * n + c];
    long sq = n * n;
    if (size > sq)
        std::memcpy(out + sq, in + sq, static_cast<size_t>(size - sq));
}

int FXPackage::TypeOfExtension(const char* path)
{
    if (!path)
        return kFxTypeNone;
    const char* dot = std::strrchr(path, '.');
    if (!dot || std::strpbrk(dot, "/\\"))
        return kFxTypeNone;
    char ext[5] = {};
    size_t n = std::strlen(dot + 1);
    if (n != 3)
        return kFxTypeNone;
    for (size_t i = 0; i < n; ++i)
        ext[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(dot[1 + i])));
    static const struct {
        const char* ext;
        int type;
    } table[] = {{"bmp", kFxTypeBmp}, {"jpg", kFxTypeJpg}, {"png", kFxTypePng}, {"tga", kFxTypeTga}, {"gif", kFxTypeGif}};
    for (const auto& e : table)
        if (std::strcmp(ext, e.ext) == 0)
            return e.type;
    return kFxTypeNone;
}

bool FXPackage::Load(const char* path)
{
    Destroy();
    // Mapped, the entries' bytes are the file's pages, shared with the
    // system's cache and read in only when a loader touches them; a
    // transposed payload is restored into a block of its own, and the
    // mapping goes.
    size_t mappedSize = 0;
    void* mapped = path ? fxSysMapFile(path, &mappedSize) : nullptr;
    if (mapped) {
        unsigned char* bytes = static_cast<unsigned char*>(mapped);
        bool ok = mappedSize <= 0x7fffffffu && Parse(bytes, static_cast<long>(mappedSize), nullptr, true);
        if (ok && data >= bytes && data < bytes + mappedSize) {
            block = mapped;
            blockSize = mappedSize;
            blockMapped = true;
            return true;
        }
        fxSysUnmapFile(mapped, mappedSize);
        if (!ok)
            err("FXPackage::Load - not a valid package (filename:%s)\n", path);
        return ok;
    }
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) {
        err("FXPackage::Load - cannot open (filename:%s)\n", path ? path : "");
        return false;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(f, std::fclose);
    if (std::fseek(f, 0, SEEK_END) != 0)
        return false;
    long n = std::ftell(f);
    std::rewind(f);
    if (n < 0 || n > 0x7fffffffL)
        return false;
    std::unique_ptr<unsigned char, void (*)(void*)> bytes(static_cast<unsigned char*>(std::malloc(n ? n : 1)), std::free);
    if (!bytes || std::fread(bytes.get(), 1, static_cast<size_t>(n), f) != static_cast<size_t>(n)) {
        err("FXPackage::Load - cannot read (filename:%s)\n", path);
        return false;
    }
    // The data area stays in the block it was read into: no second copy.
    if (!Parse(bytes.get(), n, nullptr, true)) {
        err("FXPackage::Load - not a valid package (filename:%s)\n", path);
        return false;
    }
    if (data >= bytes.get() && data < bytes.get() + n)
        block = bytes.release();
    return true;
}

bool FXPackage::LoadFromMemory(const void* bytes, long n, std::string* why)
{
    return Parse(bytes, n, why, false);
}

bool FXPackage::Parse(const void* bytes, long n, std::string* why, bool inPlace)
{
    Destroy();
    if (why)
        why->clear();
    auto problem = [why](const char* text) {
        if (why)
            *why += (why->empty() ? "" : "\n") + std::string(text);
        return false;
    };
    const unsigned char* in = static_cast<const unsigned char*>(bytes);
    if (!in || n < 4 || n > 0x7fffffffL)
        return problem("too short for a package header");

    // Header: the string layout, beginning with "pck01"; "s" among the
    // following characters marks a transposed payload.
    int32_t hlen = static_cast<int32_t>(fxGetLE32(in));
    if (hlen < 5 || hlen > n - 4 || std::memcmp(in + 4, kMagic, 5) != 0)
        return problem("the header does not begin with \"pck01\"");
    bool transposed = std::memchr(in + 4 + 5, 's', static_cast<size_t>(hlen - 5)) != nullptr;

    long p = n - 4 - hlen;
    const unsigned char* payload = in + 4 + hlen;
    std::unique_ptr<unsigned char, void (*)(void*)> restored(nullptr, std::free);
    if (transposed && p > 0) {
        restored.reset(static_cast<unsigned char*>(std::malloc(static_cast<size_t>(p))));
        if (!restored)
            return problem("out of memory for the payload");
        Transpose(payload, restored.get(), p);
        payload = restored.get();
    }

    FXPackageData cur;
    cur.InitData(const_cast<unsigned char*>(payload), static_cast<int>(p));
    FXArray* tables[] = {&ids, &offsets, &sizes, &types};
    const char* tableNames[] = {"ids", "offsets", "sizes", "types"};
    for (int t = 0; t < 4; ++t)
        if (!localReadTable(&cur, tables[t])) {
            FXStr text;
            text.Format("the %s table's count does not fit in the payload", tableNames[t]);
            Destroy();
            return problem(text.str);
        }
    if (offsets.count != ids.count || sizes.count != ids.count || types.count != ids.count) {
        FXStr text;
        text.Format("the tables have unequal counts (%d ids, %d offsets, %d sizes, %d types)", ids.count,
                    offsets.count, sizes.count, types.count);
        Destroy();
        return problem(text.str);
    }
    int area = cur.remaining;
    bool inside = true;
    for (int i = 0; i < ids.count; ++i) {
        int64_t off = offsets.GetInt(i), sz = sizes.GetInt(i);
        if (off < 0 || sz < 0 || off + sz > area) {
            FXStr text;
            text.Format("entry %d (row %d): bytes %lld..%lld lie outside the data area of %d bytes", ids.GetInt(i),
                        i, static_cast<long long>(off), static_cast<long long>(off + sz), area);
            problem(text.str);
            inside = false;
        }
    }
    if (!inside) {
        Destroy();
        return false;
    }

    int maxId = 0;
    bool any = false;
    for (int i = 0; i < ids.count; ++i) {
        int id = ids.GetInt(i);
        if (!any || id > maxId)
            maxId = id;
        any = true;
    }
    names.idBase = (any && maxId >= 0 && maxId < 0x7fffffff) ? maxId + 1 : 0;

    if (inPlace && !restored && area > 0) {
        data = const_cast<unsigned char*>(cur.position);
    } else {
        data = static_cast<unsigned char*>(std::malloc(area > 0 ? static_cast<size_t>(area) : 1));
        if (!data) {
            Destroy();
            return problem("out of memory for the data area");
        }
        if (area > 0)
            std::memcpy(data, cur.position, static_cast<size_t>(area));
    }
    dataSize = area;
    RecompClasses();
    trc("FXPackage::Load - %d entries, %d bytes of data%s\n", ids.count, dataSize, transposed ? " (transposed)" : "");
    return true;
}

void FXPackage::DeleteCursors()
{
    for (int i = 0; i < cursors.count; ++i)
        delete static_cast<FXPackageData*>(cursors.items[i]);
    cursors.RemoveAll();
}

void FXPackage::RecompClasses()
{
    DeleteCursors();
    cursors.Realloc(offsets.count);
    for (int i = 0; i < offsets.count; ++i) {
        FXPackageData* c = new FXPackageData;
        int64_t off = offsets.GetInt(i), sz = sizes.GetInt(i);
        // Rows outside the data area (only an authoring mistake can make
        // one now) get an empty cursor.
        if (data && off >= 0 && sz >= 0 && off + sz <= dataSize)
            c->InitData(data + off, static_cast<int>(sz));
        cursors.Push(c);
    }
}

void FXPackage::ReleaseData()
{
    if (blockMapped)
        fxSysUnmapFile(block, blockSize);
    else
        std::free(block ? block : data);
    block = nullptr;
    blockSize = 0;
    blockMapped = false;
    data = nullptr;
    dataSize = 0;
}

void FXPackage::Destroy()
{
    DeleteCursors();
    cursors.DestroyBuf();
    ReleaseData();
    ids.DestroyBuf();
    offsets.DestroyBuf();
    sizes.DestroyBuf();
    types.DestroyBuf();
    pendingIds.DestroyBuf();
    pendingFiles.DestroyBuf();
    tmpFiles.DestroyBuf();
}

int FXPackage::FindRow(int id) const
{
    return ids.FindInt(id);
}

FXPackageData* FXPackage::GetDataPtr(int id)
{
    int row = FindRow(id);
    if (row < 0 || row >= cursors.count)
        return nullptr;
    FXPackageData* c = static_cast<FXPackageData*>(cursors.items[row]);
    c->Reseek();
    return c;
}

int FXPackage::GetDataType(int id) const
{
    int row = FindRow(id);
    return row < 0 ? kFxTypeNone : types.GetInt(row);
}
