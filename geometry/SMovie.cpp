#include "geometry/SMovie.h"

#include "base/FXStr.h"
#include "base/fxTime.h"
#include "base/fxTrace.h"
#include "geometry/FXAnim.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXMaterial.h"
#include "render/PEnv.h"
#include "render/PPictureCodec.h"
#include "render/fxDevil.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace {

FXMaterial* localMaterial(const FXArray& list, int i)
{
    return static_cast<FXMaterial*>(list.Get(i));
}

void localFreeData(FXArray* list)
{
    for (int i = 0; i < list->count; ++i)
        std::free(list->Get(i));
    list->DestroyBuf();
}

// One picture of a frame: bytes in memory, or a file when path is set.
struct localSource {
    const void* bytes;
    int size;
    const char* path;
    const char* name; // what a refusal names
};

// One picture of a frame through the bound codec, as channels bytes a pixel
// (JPEG bytes, or the file's own type).
bool localDecode(PPictureCodec* codec, const localSource& s, int channels, FXPixmap* out)
{
    std::string why;
    bool ok = s.path ? s.path[0] && codec->Decode(s.path, 0, nullptr, 0, channels, out, nullptr, &why)
                     : s.bytes && s.size > 0 &&
                           codec->Decode(nullptr, kFxTypeJpg, s.bytes, static_cast<size_t>(s.size), channels, out,
                                         nullptr, &why);
    if (!ok && !why.empty())
        err("movie %s %s: %s\n", channels == 1 ? "mask" : "picture", s.name, why.c_str());
    return ok;
}

bool localDecodePair(PEnv* env, FXPixmap* pixmap, const localSource& pict, const localSource& mask, FXMaterial* m)
{
    PPictureCodec* codec = fxPictureCodec();
    if (!m || !codec)
        return false;
    // The colour picture goes straight into the movie's pixmap, the mask's
    // grey into the alpha of its pixels; the padding is transparent black.
    FXPixmap alpha;
    alpha.power2 = false;
    pixmap->power2 = !(env && env->npotTextures);
    bool ok = localDecode(codec, pict, 3, pixmap) && localDecode(codec, mask, 1, &alpha) &&
              alpha.width == pixmap->width && alpha.height == pixmap->height;
    if (ok) {
        for (int y = 0; y < pixmap->allocHeight; ++y) {
            unsigned* row = pixmap->Row(y);
            int x = 0;
            if (y < pixmap->height) {
                const unsigned* a = alpha.Row(y);
                for (; x < pixmap->width; ++x)
                    row[x] = (row[x] & 0x00ffffffu) | (a[x] << 24);
            }
            for (; x < pixmap->pitch; ++x)
                row[x] = 0;
        }
        ok = env && env->FastPrepareTexture(m, pixmap);
    }
    return ok;
}

} // namespace

SMovie::SMovie()
    : packed(false), playing(true), loop(true), pingPong(true), needsSetup(true), poolSize(2), direction(1),
      prepIndex(-1), finished(false), frameTime(0), lastSwitch(0), inMemory(false), hasRects(false), maxWidth(0),
      maxHeight(0), waitForFrame(false), loaded(false), hasStartEnd(false), anim(nullptr), anim2(nullptr),
      windowStart(-1), windowEnd(-1), package(nullptr), phase(0), env(nullptr)
{
}

SMovie::~SMovie()
{
    Destroy();
}

bool SMovie::LoadCN(FXPackage* pkg, int id)
{
    Destroy();
    package = pkg;
    FXPackageData* data = pkg ? pkg->GetDataPtr(id) : nullptr;
    return data && LoadRecordC(data);
}

bool SMovie::LoadC(FXPackage* pkg, const char* text)
{
    int id = 0;
    if (!text || std::sscanf(text, "%d", &id) != 1)
        return false;
    return LoadCN(pkg, id);
}

bool SMovie::LoadRecordC(FXPackageData* data)
{
    env = fxglobalEnv;
    FXStr tag;
    data->ReadString(&tag);
    int version = tag.Compare("xs01") ? 1 : tag.Compare("xs02") ? 2 : tag.Compare("xs03") ? 3 : 0;
    if (version == 0)
        return false;
    if (version >= 2) {
        loop = data->ReadBool();
        pingPong = data->ReadBool();
        frameTime = data->ReadDouble();
    }
    maxWidth = data->ReadInt();
    maxHeight = data->ReadInt();
    data->ReadFloatArray(&frameRects);
    data->ReadStringArray(&pictureNames);
    data->ReadStringArray(&maskNames);
    if (version == 3) {
        hasStartEnd = data->ReadBool();
        if (hasStartEnd)
            data->ReadArray(&startEnd);
    }
    hasRects = packed = loaded = true;
    return true;
}

bool SMovie::LoadIntoMem()
{
    if (inMemory)
        return true;
    bool all = true;
    for (int i = 0; i < GetFrameCount(); ++i) {
        int size = 0;
        unsigned char* bytes = PrepareMem(pictureNames.Get(i), &size);
        pictureData.Push(bytes);
        pictureSizes.PushInt(size);
        all = all && bytes;
        bytes = PrepareMem(maskNames.Get(i), &size);
        maskData.Push(bytes);
        maskSizes.PushInt(size);
        all = all && bytes;
    }
    inMemory = true;
    return all;
}

unsigned char* SMovie::PrepareMem(const char* name, int* size)
{
    *size = 0;
    if (!name || !name[0])
        return nullptr;
    if (package) {
        int id = 0;
        FXPackageData* d = std::sscanf(name, "%d", &id) == 1 ? package->GetDataPtr(id) : nullptr;
        if (!d || d->size <= 0)
            return nullptr;
        *size = d->size;
        return d->start;
    }
    FILE* f = std::fopen(name, "rb");
    if (!f)
        return nullptr;
    unsigned char* bytes = nullptr;
    long n = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    if (n > 0 && n <= 0x7fffffffL && std::fseek(f, 0, SEEK_SET) == 0) {
        bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(n)));
        if (bytes && std::fread(bytes, 1, static_cast<size_t>(n), f) != static_cast<size_t>(n)) {
            std::free(bytes);
            bytes = nullptr;
        }
    }
    std::fclose(f);
    if (bytes)
        *size = static_cast<int>(n);
    return bytes;
}

void SMovie::StepPrepIndex(int n)
{
    if (direction > 0) {
        if (++prepIndex < n)
            return;
        if (!loop) {
            prepIndex = n - 1;
            finished = true;
        } else if (pingPong) {
            prepIndex = n - 1;
            direction = -1;
        } else {
            prepIndex = 0;
        }
    } else {
        if (--prepIndex >= 0)
            return;
        if (!loop) {
            prepIndex = 0;
            finished = true;
        } else if (pingPong) {
            prepIndex = 0;
            direction = 1;
        } else {
            prepIndex = n - 1;
        }
    }
}

void SMovie::Prepare(int limit)
{
    int n = GetFrameCount();
    if (finished || n <= 0)
        return;
    if (needsSetup) {
        needsSetup = false;
        desk.Create(1, 1);
        for (int i = 0; i < poolSize; ++i) {
            FXMaterial* m = new FXMaterial;
            m->SetDefDiffuse(1.0f);
            m->canvas.detectMaskNames = false;
            freeMaterials.Push(m);
            pool.Push(m);
            for (float v : {0.0f, 0.0f, 1.0f, 1.0f})
                poolBoxes.Push(v);
        }
    } else if (freeMaterials.count == 0) {
        return;
    }
    // The frame that ends a non-looping movie is still queued, so it is shown
    // for a whole frame time after it came up.
    while (freeMaterials.count > 0 && (limit == -1 || ready.count < limit)) {
        FXMaterial* m = localMaterial(freeMaterials, 0);
        StepPrepIndex(n);
        // A frame that does not decode leaves the material's texture, and
        // so its box, as they were.
        float* box = poolBoxes.items + 4 * pool.Findpos(m);
        if (!packed) {
            m->LoadTexture(pictureNames.Get(prepIndex));
            box[0] = box[1] = 0; // a plain picture is not scanned
            box[2] = box[3] = 1;
        } else if (inMemory ? PrepareTextureMem(prepIndex, m)
                            : PrepareTexture(pictureNames.Get(prepIndex), maskNames.Get(prepIndex), m)) {
            FillBox(pixmap, box);
        }
        freeMaterials.RemovePos(0);
        ready.Push(m);
        readyFrames.PushInt(prepIndex);
    }
}

bool SMovie::PrepareTextureMem(int index, FXMaterial* material)
{
    const char* pn = pictureNames.Get(index);
    const char* mn = maskNames.Get(index);
    std::string pictName = std::string(package ? "entry " : "") + (pn ? pn : "?");
    std::string maskName = std::string(package ? "entry " : "") + (mn ? mn : "?");
    localSource pict = {pictureData.Get(index), pictureSizes.GetInt(index), nullptr, pictName.c_str()};
    localSource mask = {maskData.Get(index), maskSizes.GetInt(index), nullptr, maskName.c_str()};
    if (localDecodePair(env, &pixmap, pict, mask, material))
        return true;
    if (!decodeReported)
        err("SMovie::PrepareTextureMem - frame %d does not decode\n", index);
    decodeReported = true; // once per movie: a broken movie must not fill the log at its frame rate
    return false;
}

bool SMovie::PrepareTexture(const char* picture, const char* mask, FXMaterial* material)
{
    double start = fxGetTime();
    localSource pict = {nullptr, 0, picture ? picture : "", picture ? picture : ""};
    localSource alpha = {nullptr, 0, mask ? mask : "", mask ? mask : ""};
    bool ok = localDecodePair(env, &pixmap, pict, alpha, material);
    if (!ok && !decodeReported)
        err("SMovie::PrepareTexture - cannot decode (picture:%s mask:%s)\n", pict.path, alpha.path);
    decodeReported = decodeReported || !ok;
    trc("PrepareTexture: %g\n", fxGetTime() - start);
    return ok;
}

bool SMovie::ComputeEdges(const FXPixmap* p, int* left, int* top, int* right, int* bottom)
{
    int l = 0, t = 0, r = 0, b = 0;
    bool any = false;
    for (int y = 0; p && p->pixels && y < p->height; ++y) {
        const unsigned* row = p->Row(y);
        for (int x = 0; x < p->width; ++x) {
            if ((row[x] >> 24) == 0)
                continue;
            if (!any) {
                l = x;
                t = y;
                r = x + 1;
                any = true;
            }
            if (x < l)
                l = x;
            if (x + 1 > r)
                r = x + 1;
            b = y + 1;
        }
    }
    *left = l;
    *top = t;
    *right = r;
    *bottom = b;
    return any;
}

bool SMovie::FillBox(const FXPixmap& p, float* box)
{
    int l, t, r, b;
    bool any = p.width > 0 && p.height > 0 && ComputeEdges(&p, &l, &t, &r, &b);
    box[0] = box[1] = box[2] = box[3] = 0;
    if (!any)
        return false;
    // A filtered sample mixes the two pixels nearest on each axis, so a
    // pixel colours half a pixel beyond itself; one whole pixel more keeps
    // the box clear of the rasteriser's rounding.
    float w = static_cast<float>(p.width), h = static_cast<float>(p.height);
    box[0] = static_cast<float>(l > 0 ? l - 1 : 0) / w;
    box[1] = static_cast<float>(t > 0 ? t - 1 : 0) / h;
    box[2] = static_cast<float>(r < p.width ? r + 1 : p.width) / w;
    box[3] = static_cast<float>(b < p.height ? b + 1 : p.height) / h;
    return true;
}

FXMaterial* SMovie::Head() const
{
    if (GetFrameCount() <= 0 || ready.count == 0)
        return nullptr;
    return localMaterial(ready, 0);
}

void SMovie::ShowHead(PEnv* env)
{
    desk.SetMaterial(Head());
    if (hasRects) {
        int f = readyFrames.GetInt(0);
        float left = -1, top = 1, right = 1, bottom = -1;
        if (f >= 0 && f < frameRects.count / 4) {
            const float* r = frameRects.items + 4 * f;
            left = r[0];
            top = r[1];
            right = r[2];
            bottom = r[3];
        }
        desk.SetVertexPos(1, left, top);
        desk.SetVertexPos(2, right, top);
        desk.SetVertexPos(3, right, bottom);
        desk.SetVertexPos(4, left, bottom);
        if (hasStartEnd)
            PrepareStartEnd(f);
    }
    if (env)
        env->UnprepareMesh(&desk.mesh);
}

// Only the part of the desk the head frame's box covers is filled: outside
// it every sample has alpha 0, which the alpha test drops.
void SMovie::DrawHead(PEnv* env)
{
    int at = pool.Findpos(desk.mesh.material);
    const tagFXVertex* v = desk.mesh.vertices;
    if (!env || at < 0 || desk.cols != 1 || desk.rows != 1 || !v) {
        desk.OnRender(env, 0);
        return;
    }
    const float* box = poolBoxes.items + 4 * at;
    if (box[2] <= box[0] || box[3] <= box[1])
        return; // every alpha 0
    // The corners as ShowHead set them, the picture's rows top-down over them
    // (bottom-up with flipTexV).
    float left = v[0].pos[0], top = v[0].pos[1], right = v[3].pos[0], bottom = v[3].pos[1];
    float y0 = desk.mesh.flipTexV ? 1 - box[3] : box[1], y1 = desk.mesh.flipTexV ? 1 - box[1] : box[3];
    const float part[4] = {left + (right - left) * box[0], top + (bottom - top) * y0, left + (right - left) * box[2],
                           top + (bottom - top) * y1};
    env->RenderMeshIn(&desk.mesh, part);
}

void SMovie::DrawAndRetire(PEnv* env, double, bool setPhase)
{
    DrawHead(env);
    if (!playing)
        return;
    double now = fxGetTime();
    if (waitForFrame) {
        while (frameTime >= now - lastSwitch) {
            now = fxGetTime();
            fxSleep(0.001);
        }
    }
    if (!(now - lastSwitch > frameTime) || ready.count <= 1)
        return;
    lastSwitch = now;
    if (setPhase) {
        int n = GetFrameCount();
        // A single frame has no span to divide: once retired it is the end.
        phase = n > 1 ? static_cast<float>(readyFrames.GetInt(0)) / static_cast<float>(n - 1) : 1.0f;
    }
    FXMaterial* m = localMaterial(ready, 0);
    ready.RemovePos(0);
    readyFrames.RemovePos(0);
    freeMaterials.Push(m);
}

void SMovie::OnRender(PEnv* env, double time)
{
    if (!Head())
        return;
    ShowHead(env);
    DrawAndRetire(env, time, true);
}

void SMovie::OnRender0(PEnv* env, double)
{
    if (Head())
        ShowHead(env);
}

void SMovie::OnRender1(PEnv* env, double time)
{
    if (Head())
        DrawAndRetire(env, time, false);
}

void SMovie::Restart(double t)
{
    lastSwitch = t;
    finished = false;
    prepIndex = -1;
    direction = 1;
    playing = true;
}

void SMovie::RestartBack(double t)
{
    lastSwitch = t;
    finished = false;
    prepIndex = GetFrameCount();
    direction = -1;
    playing = true;
}

void SMovie::Continue(double t)
{
    lastSwitch = t;
    finished = false;
    playing = true;
}

void SMovie::EmptyPrepared()
{
    for (int i = 0; i < ready.count; ++i)
        freeMaterials.Push(ready.Get(i));
    ready.RemoveAll();
    readyFrames.RemoveAll();
}

void SMovie::PrepareStartEnd(int f)
{
    if (!anim)
        return;
    if (f < windowStart || f > windowEnd) {
        windowStart = 0;
        windowEnd = GetFrameCount() - 1;
        int lower = -1, upper = -1;
        for (int i = 0; i < startEnd.count; ++i) {
            int key = startEnd.GetInt(i);
            if (key > f) {
                windowEnd = key;
                upper = i;
                break;
            }
            windowStart = key;
            lower = i;
        }
        if (upper < 0)
            upper = lower;
        if (lower < 0)
            lower = upper;
        if (lower < 0) // no key frames at all
            lower = upper = 0;
        anim->SetActFrames(lower, upper);
        if (anim2)
            anim2->SetActFrames(lower, upper);
    }
    float d = static_cast<float>(windowEnd - windowStart);
    float p = d != 0 ? static_cast<float>(f - windowStart) / d : (direction < 0 ? 1.0f : 0.0f);
    for (FXAnim* a : {anim, anim2}) {
        if (!a)
            continue;
        a->SetActPhase(p);
        a->manual = true;
    }
}

void SMovie::Destroy()
{
    fxDeleteItems<FXMaterial>(&ready);
    fxDeleteItems<FXMaterial>(&freeMaterials);
    pool.DestroyBuf();
    poolBoxes.DestroyBuf();
    readyFrames.DestroyBuf();
    if (!package) {
        localFreeData(&pictureData);
        localFreeData(&maskData);
    }
    pictureData.DestroyBuf();
    maskData.DestroyBuf();
    pictureSizes.DestroyBuf();
    maskSizes.DestroyBuf();
    pictureNames.DestroyBuf();
    maskNames.DestroyBuf();
    edges.DestroyBuf();
    frameRects.DestroyBuf();
    startEnd.DestroyBuf();
    pixmap.Destroy();
    desk.mesh.material = nullptr; // a pool material, deleted above
    desk.Destroy();
    needsSetup = true;
    prepIndex = -1;
    direction = 1;
    finished = packed = inMemory = hasRects = loaded = decodeReported = false;
    maxWidth = maxHeight = 0;
    anim = anim2 = nullptr;
    package = nullptr;
    env = nullptr;
}
