// The writing side of sprite movies: frames from RGBA pictures, the file
// form and the "xs03" package record as SMovie::LoadCN reads them.
#include "geometry/SMovie.h"

#include "base/FXStr.h"
#include "base/fxPaths.h"
#include "base/fxStream.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXCanvas.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

bool localWriteNames(FILE* f, const FXStrArray& names, const char* base)
{
    return base ? names.SaveShortPaths(f, base) : names.Save(f);
}

// The record; with base the names are written relative to that folder.
bool localWriteRecord(FILE* f, const SMovie& m, const char* base)
{
    bool ok = f && FXStr("xs03").Save(f) && fxWriteBool(f, m.loop) && fxWriteBool(f, m.pingPong) &&
              fxWriteDouble(f, m.frameTime) && fxWriteInt32(f, m.maxWidth) && fxWriteInt32(f, m.maxHeight) &&
              m.frameRects.Save(f) && localWriteNames(f, m.pictureNames, base) &&
              localWriteNames(f, m.maskNames, base) && fxWriteBool(f, m.hasStartEnd);
    return ok && (!m.hasStartEnd || m.startEnd.Save(f));
}

bool localIsRelative(const char* s)
{
    if (!s || !s[0] || s[0] == '/' || s[0] == '\\')
        return false;
    return !(s[1] == ':' && ((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z')));
}

void localAbsolute(FXStrArray* names, const char* dir)
{
    for (int i = 0; i < names->count; ++i)
        if (localIsRelative(names->Get(i)))
            names->Change(i, fxCombinePaths(dir, names->Get(i)));
}

bool localCompile(FXPackage* pkg, FXStrArray* names)
{
    bool ok = true;
    for (int i = 0; i < names->count; ++i) {
        FXStr s(names->Get(i));
        if (pkg->AddDataFile1(&s))
            names->Change(i, s.Get());
        else
            ok = false;
    }
    return ok;
}

// Swaps the k-slot blocks of frames a and b, when both lie in the array.
template <class T>
void localSwapBlocks(FXArrayT<T>* list, int a, int b, int k)
{
    if (a < 0 || b < 0 || (a + 1) * k > list->count || (b + 1) * k > list->count)
        return;
    for (int i = 0; i < k; ++i) {
        T t = list->items[a * k + i];
        list->items[a * k + i] = list->items[b * k + i];
        list->items[b * k + i] = t;
    }
}

template <class T>
void localRemoveBlock(FXArrayT<T>* list, int index, int k)
{
    if ((index + 1) * k > list->count)
        return;
    for (int i = 0; i < k; ++i)
        list->RemovePos(index * k);
}

} // namespace

bool SMovie::SaveRecord(FILE* f) const
{
    return localWriteRecord(f, *this, nullptr);
}

bool SMovie::Save(const char* path) const
{
    FILE* f = path ? std::fopen(path, "wb") : nullptr;
    if (!f)
        return false;
    FXStr base(fxGetActPath());
    bool ok = localWriteRecord(f, *this, base.Get());
    return std::fclose(f) == 0 && ok;
}

bool SMovie::Load(const char* path)
{
    Destroy();
    int size = 0;
    unsigned char* bytes = PrepareMem(path, &size); // no package after Destroy: the file
    FXPackageData data;
    data.InitData(bytes, size);
    bool ok = bytes && LoadRecordC(&data);
    std::free(bytes);
    if (!ok) {
        Destroy();
        return false;
    }
    PrepareNameArray();
    return true;
}

void SMovie::PrepareNameArray()
{
    FXStr dir(fxGetActPath());
    localAbsolute(&pictureNames, dir.Get());
    localAbsolute(&maskNames, dir.Get());
}

bool SMovie::Compile(FXPackage* pkg)
{
    if (!pkg)
        return false;
    bool pictures = localCompile(pkg, &pictureNames);
    return localCompile(pkg, &maskNames) && pictures;
}

bool SMovie::AddToPackage(FXPackage* pkg, int id, const char* recordPath)
{
    if (!pkg || !recordPath || !Compile(pkg))
        return false;
    FILE* f = std::fopen(recordPath, "wb");
    if (!f)
        return false;
    bool ok = SaveRecord(f);
    ok = std::fclose(f) == 0 && ok;
    if (ok)
        pkg->AddDataFile(id, recordPath);
    return ok;
}

bool SMovie::AddFrame(const FXPixmap& rgba, const char* pictPath, const char* maskPath)
{
    if (!rgba.pixels || rgba.width <= 0 || rgba.height <= 0 || !pictPath || !maskPath)
        return false;
    int l, t, r, b;
    if (!ComputeEdges(&rgba, &l, &t, &r, &b)) {
        l = t = 0;
        r = b = 1;
    }
    FXCanvas crop;
    crop.pixmap.power2 = false;
    if (!crop.pixmap.Realloc(r - l, b - t))
        return false;
    for (int y = t; y < b; ++y)
        std::memcpy(crop.pixmap.Row(y - t), rgba.Row(y) + l, static_cast<size_t>(r - l) * sizeof(unsigned));
    if (!crop.SaveToPict2(pictPath) || !crop.SaveToMask(maskPath))
        return false;

    float w = static_cast<float>(rgba.width), h = static_cast<float>(rgba.height);
    pictureNames.Push(pictPath);
    maskNames.Push(maskPath);
    frameRects.Push(2.0f * static_cast<float>(l) / w - 1.0f);
    frameRects.Push(1.0f - 2.0f * static_cast<float>(t) / h);
    frameRects.Push(2.0f * static_cast<float>(r) / w - 1.0f);
    frameRects.Push(1.0f - 2.0f * static_cast<float>(b) / h);
    for (int e : {l, t, r, b})
        edges.PushInt(e);
    if (r - l > maxWidth)
        maxWidth = r - l;
    if (b - t > maxHeight)
        maxHeight = b - t;
    packed = hasRects = true;
    return true;
}

void SMovie::MovePos(int index, int dir)
{
    int other = dir > 0 ? index + 1 : (dir < 0 ? index - 1 : index);
    int n = GetFrameCount();
    if (index < 0 || index >= n || other < 0 || other >= n || other == index)
        return;
    localSwapBlocks(&pictureNames, index, other, 1);
    localSwapBlocks(&maskNames, index, other, 1);
    localSwapBlocks(&pictureData, index, other, 1);
    localSwapBlocks(&pictureSizes, index, other, 1);
    localSwapBlocks(&maskData, index, other, 1);
    localSwapBlocks(&maskSizes, index, other, 1);
    localSwapBlocks(&frameRects, index, other, 4);
    localSwapBlocks(&edges, index, other, 4);
}

void SMovie::DeletePos(int index)
{
    if (index < 0 || index >= GetFrameCount())
        return;
    if (!package) {
        std::free(pictureData.Get(index));
        std::free(maskData.Get(index));
    }
    pictureNames.RemovePos(index);
    maskNames.RemovePos(index);
    pictureData.RemovePos(index);
    pictureSizes.RemovePos(index);
    maskData.RemovePos(index);
    maskSizes.RemovePos(index);
    localRemoveBlock(&frameRects, index, 4);
    localRemoveBlock(&edges, index, 4);
    // The largest crop among the frames left, where their edges are known.
    if (edges.count == 4 * GetFrameCount()) {
        maxWidth = maxHeight = 0;
        for (int i = 0; i < edges.count; i += 4) {
            int w = edges.GetInt(i + 2) - edges.GetInt(i), h = edges.GetInt(i + 3) - edges.GetInt(i + 1);
            maxWidth = w > maxWidth ? w : maxWidth;
            maxHeight = h > maxHeight ? h : maxHeight;
        }
    }
}
