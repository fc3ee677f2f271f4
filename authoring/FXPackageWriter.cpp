// The writing side of FXPackage: queueing files, saving packages and their
// name lists. The show never calls it.
#include "package/FXPackage.h"

#include "base/fxEndian.h"
#include "base/fxPaths.h"
#include "base/fxStream.h"
#include "base/fxTrace.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

void localPutTable(std::string* out, const std::vector<int32_t>& t)
{
    fxAppendLE32(out, static_cast<uint32_t>(t.size()));
    for (int32_t v : t)
        fxAppendLE32(out, static_cast<uint32_t>(v));
}

} // namespace

void FXPackage::AddDataFile(int id, const char* path)
{
    pendingIds.PushInt(id);
    pendingFiles.Push(path);
}

bool FXPackage::AddDataFile1(FXStr* path)
{
    if (!path || path->IsEmpty())
        return false;
    int id = names.FindId(path->str);
    if (id < 0) {
        id = names.BuildId(path->str);
        if (id < 0)
            return false;
        AddDataFile(id, path->str);
    }
    path->Format("%d", id);
    return true;
}

bool FXPackage::CheckFile(const char* path, int* size, int* type)
{
    std::error_code ec;
    if (!path)
        return false;
    auto n = std::filesystem::file_size(std::filesystem::u8path(path), ec);
    if (ec || n > 0x7fffffffu)
        return false;
    if (size)
        *size = static_cast<int>(n);
    if (type)
        *type = TypeOfExtension(path);
    return true;
}

bool FXPackage::Save(const char* path, int flags)
{
    if (!path || !path[0])
        return false;
    std::vector<int32_t> newIds, newOffsets, newSizes, newTypes;
    for (int i = 0; i < ids.count; ++i) {
        newIds.push_back(ids.GetInt(i));
        newOffsets.push_back(offsets.GetInt(i));
        newSizes.push_back(sizes.GetInt(i));
        newTypes.push_back(types.GetInt(i));
    }
    std::string area;
    if (data && dataSize > 0)
        area.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(dataSize));
    for (int i = 0; i < pendingIds.count; ++i) {
        const char* file = pendingFiles.Get(i);
        std::string bytes;
        if (!file || !fxReadFile(file, &bytes)) {
            err("FXPackage::Save - cannot read (filename:%s)\n", file ? file : "");
            return false;
        }
        if (area.size() + bytes.size() > 0x7fffff00u) {
            err("FXPackage::Save - package too large (filename:%s)\n", file);
            return false;
        }
        newIds.push_back(pendingIds.GetInt(i));
        newOffsets.push_back(static_cast<int32_t>(area.size()));
        newSizes.push_back(static_cast<int32_t>(bytes.size()));
        newTypes.push_back(TypeOfExtension(file));
        area += bytes;
    }

    std::string payload;
    localPutTable(&payload, newIds);
    localPutTable(&payload, newOffsets);
    localPutTable(&payload, newSizes);
    localPutTable(&payload, newTypes);
    payload += area;
    bool transpose = (flags & 1) != 0;
    if (transpose) {
        std::string t(payload.size(), '\0');
        Transpose(reinterpret_cast<const unsigned char*>(payload.data()), reinterpret_cast<unsigned char*>(&t[0]),
                  static_cast<long>(payload.size()));
        payload.swap(t);
    }
    std::string header;
    const char* magic = transpose ? "pck01s" : "pck01";
    fxAppendLE32(&header, static_cast<uint32_t>(std::strlen(magic)));
    header += magic;

    std::string why;
    if (!fxReplaceFile(path, header + payload, &why)) {
        err("FXPackage::Save - %s\n", why.c_str());
        return false;
    }

    // The package now holds what it wrote.
    unsigned char* block = static_cast<unsigned char*>(std::malloc(area.empty() ? 1 : area.size()));
    if (!block)
        return false;
    std::memcpy(block, area.data(), area.size());
    ReleaseData();
    data = block;
    dataSize = static_cast<int>(area.size());
    FXArray* tables[] = {&ids, &offsets, &sizes, &types};
    const std::vector<int32_t>* values[] = {&newIds, &newOffsets, &newSizes, &newTypes};
    for (int t = 0; t < 4; ++t) {
        tables[t]->RemoveAll();
        tables[t]->Realloc(static_cast<int>(values[t]->size()));
        for (int32_t v : *values[t])
            tables[t]->PushInt(v);
    }
    pendingIds.RemoveAll();
    pendingFiles.RemoveAll();
    RecompClasses();
    trc("FXPackage::Save - %d entries (filename:%s)\n", ids.count, path);
    return true;
}

void FXPackage::AddTmpFile(const char* path)
{
    tmpFiles.Push(path);
}

void FXPackage::DeleteTmpFiles()
{
    for (int i = 0; i < tmpFiles.count; ++i)
        if (tmpFiles.Get(i))
            std::remove(tmpFiles.Get(i));
    tmpFiles.RemoveAll();
}

bool FXPackage::SaveNames(const char* path) const
{
    std::unique_ptr<FILE, int (*)(FILE*)> f(path ? fxOpenFile(path, "wb") : nullptr, std::fclose);
    return f && names.names.Save(f.get());
}

bool FXPackage::LoadNames(const char* path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> f(path ? fxOpenFile(path, "rb") : nullptr, std::fclose);
    return f && names.names.Load(f.get());
}

bool FXPackage::SaveNamesCpp(const char* path) const
{
    std::unique_ptr<FILE, int (*)(FILE*)> f(path ? fxOpenFile(path, "w") : nullptr, std::fclose);
    if (!f)
        return false;
    for (int i = 0; i < names.names.count; ++i) {
        const char* name = names.names.Get(i);
        if (!name)
            continue;
        std::string macro = fxGetFilename(name);
        for (char& c : macro)
            c = std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
                                                            : '_';
        std::fprintf(f.get(), "#define FXNAME_%s  %d\n", macro.c_str(), i + names.idBase);
    }
    return true;
}
