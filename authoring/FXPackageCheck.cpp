#include "authoring/FXPackageCheck.h"

#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "render/FXCanvas.h"
#include "render/FXPixmap.h"
#include "render/PPictureCodec.h"
#include "render/fxDevil.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// An exact cursor: the first read that does not fit marks the reader failed
// with the field's name, and every later read yields nothing.
class LocalReader {
public:
    LocalReader(const unsigned char* p, int n) : pos(p), left(n) {}

    bool Ok() const { return failed.empty(); }
    const std::string& Failed() const { return failed; }
    int Left() const { return left; }
    const unsigned char* Pos() const { return pos; }

    const unsigned char* Bytes(long long n, const char* what)
    {
        if (!Ok())
            return nullptr;
        if (n < 0 || n > left) {
            failed = what;
            return nullptr;
        }
        const unsigned char* at = pos;
        pos += n;
        left -= static_cast<int>(n);
        return at;
    }
    int Int(const char* what)
    {
        int v = 0;
        if (const unsigned char* p = Bytes(4, what))
            std::memcpy(&v, p, 4);
        return v;
    }
    float Float(const char* what)
    {
        float v = 0;
        if (const unsigned char* p = Bytes(4, what))
            std::memcpy(&v, p, 4);
        return v;
    }
    bool Bool(const char* what)
    {
        const unsigned char* p = Bytes(1, what);
        return p && *p == 1;
    }
    std::string Str(const char* what)
    {
        int n = Int(what);
        const unsigned char* p = Bytes(n < 0 ? 0 : n, what);
        return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n < 0 ? 0 : n)) : std::string();
    }
    // Count, then count elements of four bytes; the count.
    int Words(const char* what)
    {
        int n = Int(what);
        if (n < 0 && Ok())
            failed = what;
        Bytes(4LL * n, what);
        return Ok() ? n : 0;
    }
    std::vector<std::string> StrArray(const char* what)
    {
        std::vector<std::string> out;
        int n = Int(what);
        if (n < 0 && Ok())
            failed = what;
        for (int i = 0; i < n && Ok(); ++i) {
            if (left < 4) { // the count cannot be right: stop before a long loop
                failed = what;
                break;
            }
            out.push_back(Str(what));
        }
        return out;
    }

private:
    const unsigned char* pos;
    int left;
    std::string failed;
};

// The engine reader over exactly the bytes the strict reader has just
// passed, from `from`.
template <class T>
void localLoadSlice(T* object, const unsigned char* from, const LocalReader& r)
{
    FXPackageData slice;
    slice.InitData(const_cast<unsigned char*>(from), static_cast<int>(r.Pos() - from));
    object->LoadC(nullptr, &slice);
}

void localGraph(LocalReader* r)
{
    r->Int("graph resolution");
    r->Int("graph value scale");
    r->Words("graph keys");
    r->Words("graph values");
    r->Bool("graph flags");
    r->Bool("graph flags");
    r->Float("graph handle factor");
    r->Int("graph sub-steps");
}

struct LocalHeader {
    int vertices, indices;
};

LocalHeader localMeshHeader(LocalReader* r)
{
    r->Str("mesh material name");
    r->Bytes(16, "mesh header");
    LocalHeader h;
    h.vertices = r->Int("mesh vertex count");
    h.indices = r->Int("mesh index count");
    return h;
}

// A vector-map table and an index stream rebuild one mesh header's mesh.
bool localRebuild(const LocalHeader& h, FXVectorMap* map, FXNumPool* pool)
{
    // Every vertex is made by an index and every index takes a byte of the
    // stream at least: other counts cannot come from a sound writer.
    if (h.vertices < 0 || h.vertices > h.indices || h.indices > pool->used || (h.indices > 0) != (h.vertices > 0))
        return false;
    FXMesh m;
    if (!m.Realloc(h.vertices, h.indices))
        return false;
    return m.FromVMap(map, pool) && m.indexCount == h.indices;
}

struct LocalDecoded {
    bool ok = false;
    int width = 0, height = 0, bytesPerPixel = 0;
    std::string why;
};

LocalDecoded localDecodeJpeg(FXPackageData* d)
{
    LocalDecoded out;
    PPictureCodec* codec = fxPictureCodec();
    FXPixmap pixels;
    pixels.power2 = false;
    if (codec && d->size > 0 &&
        codec->Decode(nullptr, kFxTypeJpg, d->start, static_cast<size_t>(d->size), 4, &pixels, &out.bytesPerPixel,
                      &out.why)) {
        out.ok = true;
        out.width = pixels.width;
        out.height = pixels.height;
    }
    return out;
}

// An "xa03" record up to its mesh headers.
struct LocalAnimationHead {
    size_t frames = 0;
    int times = 0;
    int meshes = 0;
    std::string lib;
    std::vector<LocalHeader> headers;
};

// False when the mesh count cannot be right (the headers are not read).
bool localAnimationHead(LocalReader* r, LocalAnimationHead* h)
{
    r->Str("tag");
    h->frames = r->StrArray("frame names").size();
    h->times = r->Words("frame times");
    localGraph(r);
    r->Float("auxiliary value");
    r->Bytes(4, "play flags");
    h->meshes = r->Int("mesh count");
    h->lib = r->Str("library reference");
    if (h->meshes < 0 || (r->Ok() && h->meshes > r->Left() / 28))
        return false;
    for (int j = 0; j < h->meshes && r->Ok(); ++j)
        h->headers.push_back(localMeshHeader(r));
    return true;
}

// The headers counted as the engine's header reader sizes its meshes: at
// most one vertex per index, nothing for counts no record of this size can
// hold.
long long localElements(const LocalAnimationHead& h, int entrySize)
{
    long long perFrame = 0;
    for (const LocalHeader& m : h.headers) {
        long long v = std::min(m.vertices, m.indices), i = m.indices;
        if (v < 0 || i < 0 || i > entrySize)
            v = i = 0;
        perFrame += v + i + 1;
    }
    return perFrame * static_cast<long long>(h.frames);
}

// What is wrong with where a record ended; empty when it ended at the end
// of its entry.
std::string localEnd(const LocalReader& r, const char* what)
{
    if (!r.Ok())
        return std::string(what) + " ends inside its " + r.Failed();
    if (r.Left() > 0)
        return std::to_string(r.Left()) + " bytes after the " + what;
    return std::string();
}

} // namespace

void FXPackageCheck::Problem(int id, const char* fmt, ...)
{
    char text[512];
    int n = std::snprintf(text, sizeof text, "entry %d: ", id);
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text + n, sizeof text - static_cast<size_t>(n), fmt, args);
    va_end(args);
    problems.Push(text);
}

bool FXPackageCheck::Ref(int from, const char* what, const char* ref, int* id)
{
    char extra;
    if (std::sscanf(ref, "%d%c", id, &extra) != 1) {
        Problem(from, "%s \"%s\" is not an entry id", what, ref);
        return false;
    }
    if (!pkg->GetDataPtr(*id)) {
        Problem(from, "%s refers to entry %d, which is missing", what, *id);
        return false;
    }
    return true;
}

bool FXPackageCheck::Check(FXPackage* package)
{
    pkg = package;
    problems.DestroyBuf();
    librariesSeen.clear();
    picturesSeen.clear();
    models = animations = movies = libraries = pictures = 0;
    picturesDecoded = fxDevilBound() || fxLoadDevil();
    if (!pkg)
        return false;
    for (int i = 0; i < pkg->ids.count; ++i) {
        int id = pkg->ids.GetInt(i);
        FXPackageData* d = pkg->GetDataPtr(id);
        if (!d)
            continue;
        char tag[5] = {0, 0, 0, 0, 0};
        if (d->size >= 8 && d->start[0] == 4 && d->start[1] == 0 && d->start[2] == 0 && d->start[3] == 0)
            std::memcpy(tag, d->start + 4, 4);
        if (!std::strcmp(tag, "xm02") || !std::strcmp(tag, "xm03"))
            CheckModel(id);
        else if (!std::strcmp(tag, "xa03"))
            CheckAnimation(id);
        else if (!std::strncmp(tag, "xs0", 3) && tag[3] >= '1' && tag[3] <= '3')
            CheckMovie(id);
    }
    // Pictures after the records: a movie frame the movie has decoded is not
    // decoded again.
    for (int i = 0; i < pkg->ids.count; ++i) {
        int id = pkg->ids.GetInt(i);
        if (pkg->GetDataPtr(id) && pkg->GetDataType(id) != kFxTypeNone)
            CheckPicture(id);
    }
    return problems.count == 0;
}

void FXPackageCheck::CheckModel(int id)
{
    ++models;
    FXPackageData* d = pkg->GetDataPtr(id);
    LocalReader r(d->start, d->size);
    bool v3 = r.Str("tag") == "xm03";
    r.Str("model name");
    std::string lib = r.Str("library reference");
    int n = r.Int("mesh count");
    if (n < 0)
        Problem(id, "negative mesh count %d", n);
    if (v3) {
        const unsigned char* at = r.Pos();
        r.Words("position table");
        r.Words("normal table");
        r.Words("texture table");
        FXVectorMap map;
        if (r.Ok())
            localLoadSlice(&map, at, r);
        for (int j = 0; j < n && r.Ok(); ++j) {
            LocalHeader h = localMeshHeader(&r);
            at = r.Pos();
            r.Bytes(r.Int("index stream"), "index stream");
            FXNumPool pool;
            if (r.Ok()) {
                localLoadSlice(&pool, at, r);
                if (!localRebuild(h, &map, &pool))
                    Problem(id, "mesh %d: its index stream does not match its header and tables", j);
            }
        }
    } else {
        for (int j = 0; j < n && r.Ok(); ++j) {
            LocalHeader h{0, 0};
            r.Str("mesh material name");
            r.Bytes(16, "mesh header");
            h.vertices = r.Int("mesh vertex count");
            r.Bytes(76LL * h.vertices, "vertices");
            h.indices = r.Int("mesh index count");
            const unsigned char* idx = r.Bytes(4LL * h.indices, "indices");
            for (int k = 0; idx && k < h.indices; ++k) {
                int v;
                std::memcpy(&v, idx + 4 * k, 4);
                if (v < 0 || v >= h.vertices) {
                    Problem(id, "mesh %d: index %d names vertex %d of %d", j, k, v, h.vertices);
                    break;
                }
            }
        }
    }
    std::string end = localEnd(r, "model record");
    if (!end.empty())
        Problem(id, "%s", end.c_str());
    if (!lib.empty())
        CheckLibrary(id, lib.c_str());
}

void FXPackageCheck::CheckAnimation(int id)
{
    ++animations;
    FXPackageData* d = pkg->GetDataPtr(id);
    LocalReader r(d->start, d->size);
    LocalAnimationHead head;
    bool counted = localAnimationHead(&r, &head);
    if (r.Ok() && static_cast<size_t>(head.times) != head.frames)
        Problem(id, "%d frame names but %d frame times", static_cast<int>(head.frames), head.times);
    if (!counted) {
        Problem(id, "mesh count %d cannot be right", head.meshes);
        return;
    }
    long long elements = localElements(head, d->size);
    bool refused = elements > kAnimationLimit;
    if (refused)
        Problem(id, "%d frames of %d meshes make %lld vertices and indices (one more per mesh), over the %lld the "
                    "show loads: it would stay empty",
                static_cast<int>(head.frames), head.meshes, elements, kAnimationLimit);
    std::vector<std::unique_ptr<FXNumPool>> pools;
    for (int j = 0; j < head.meshes && r.Ok(); ++j) {
        const unsigned char* at = r.Pos();
        r.Bytes(r.Int("index stream"), "index stream");
        pools.push_back(std::make_unique<FXNumPool>());
        if (r.Ok())
            localLoadSlice(pools.back().get(), at, r);
    }
    for (size_t f = 0; f < head.frames && r.Ok(); ++f) {
        const unsigned char* at = r.Pos();
        r.Words("frame table");
        r.Words("frame table");
        r.Words("frame table");
        // A refused record is walked, not rebuilt: the show never builds it.
        if (!r.Ok() || refused)
            continue;
        FXVectorMap map;
        localLoadSlice(&map, at, r);
        for (int j = 0; j < head.meshes; ++j)
            if (!localRebuild(head.headers[static_cast<size_t>(j)], &map, pools[static_cast<size_t>(j)].get())) {
                Problem(id, "frame %d, mesh %d: the index stream does not match the frame's table",
                        static_cast<int>(f), j);
                break;
            }
    }
    std::string end = localEnd(r, "animation record");
    if (!end.empty())
        Problem(id, "%s", end.c_str());
    if (!head.lib.empty())
        CheckLibrary(id, head.lib.c_str());
}

long long FXPackageCheck::AnimationElements(const unsigned char* bytes, int size)
{
    if (!bytes || size < 0)
        return -1;
    LocalReader r(bytes, size);
    LocalAnimationHead head;
    if (!localAnimationHead(&r, &head) || !r.Ok())
        return -1;
    return localElements(head, size);
}

void FXPackageCheck::CheckMovie(int id)
{
    ++movies;
    FXPackageData* d = pkg->GetDataPtr(id);
    LocalReader r(d->start, d->size);
    int version = r.Str("tag")[3] - '0';
    if (version >= 2) {
        r.Bytes(2, "play flags");
        r.Bytes(8, "frame time");
    }
    r.Bytes(8, "largest frame size");
    int rects = r.Words("frame rectangles");
    std::vector<std::string> pictureNames = r.StrArray("picture names");
    std::vector<std::string> maskNames = r.StrArray("mask names");
    if (version == 3 && r.Bool("key frame flag"))
        r.Words("key frames");
    std::string end = localEnd(r, "movie record");
    if (!end.empty())
        Problem(id, "%s", end.c_str());
    if (!r.Ok())
        return;
    if (maskNames.size() != pictureNames.size() || static_cast<size_t>(rects) != 4 * pictureNames.size())
        Problem(id, "%d pictures, %d masks and %d rectangle values do not describe the same frames",
                static_cast<int>(pictureNames.size()), static_cast<int>(maskNames.size()), rects);
    for (int i = 0; i < static_cast<int>(std::min(pictureNames.size(), maskNames.size())); ++i) {
        int pic = 0, mask = 0;
        bool have = Ref(id, "a frame picture", pictureNames[static_cast<size_t>(i)].c_str(), &pic);
        have = Ref(id, "a frame mask", maskNames[static_cast<size_t>(i)].c_str(), &mask) && have;
        if (!have || !picturesDecoded)
            continue;
        LocalDecoded p = localDecodeJpeg(pkg->GetDataPtr(pic));
        LocalDecoded m = localDecodeJpeg(pkg->GetDataPtr(mask));
        if (!p.ok || !m.ok) {
            const std::string& why = p.ok ? m.why : p.why;
            if (!why.empty())
                Problem(id, "frame %d: the %s (entry %d) %s", i, p.ok ? "mask" : "picture", p.ok ? mask : pic,
                        why.c_str());
            else
                Problem(id, "frame %d: the %s (entry %d) is not a JPEG picture the image library decodes", i,
                        p.ok ? "mask" : "picture", p.ok ? mask : pic);
        }
        else if (p.width != m.width || p.height != m.height)
            Problem(id, "frame %d: the mask is %dx%d, the picture %dx%d", i, m.width, m.height, p.width, p.height);
        else if (p.bytesPerPixel != 3 || m.bytesPerPixel != 1)
            Problem(id, "frame %d: the picture has %d bytes per pixel and the mask %d (3 and 1 expected)", i,
                    p.bytesPerPixel, m.bytesPerPixel);
        const std::pair<bool, int> decoded[2] = {{p.ok, pic}, {m.ok, mask}};
        for (const auto& e : decoded)
            if (e.first && pkg->GetDataType(e.second) != kFxTypeNone && picturesSeen.insert(e.second).second)
                ++pictures;
    }
}

void FXPackageCheck::CheckLibrary(int from, const char* ref)
{
    int id = 0;
    if (!Ref(from, "the material library", ref, &id) || !librariesSeen.insert(id).second)
        return;
    ++libraries;
    FXPackageData* d = pkg->GetDataPtr(id);
    LocalReader r(d->start, d->size);
    r.Str("library name");
    int n = r.Int("material count");
    std::vector<std::string> textures;
    for (int i = 0; i < n && r.Ok(); ++i) {
        r.Str("material name");
        textures.push_back(r.Str("texture reference"));
        r.Bytes(4 * 16 + 4, "material colours");
    }
    if (n < 0)
        Problem(id, "negative material count %d", n);
    std::string end = localEnd(r, "material library");
    if (!end.empty())
        Problem(id, "%s", end.c_str());
    for (const std::string& t : textures)
        if (!t.empty())
            CheckTexture(id, t.c_str());
}

void FXPackageCheck::CheckTexture(int from, const char* ref)
{
    int id = 0;
    if (!Ref(from, "a texture", ref, &id))
        return;
    if (pkg->GetDataType(id) == kFxTypeNone)
        Problem(from, "the texture in entry %d is not stored as a picture", id);
    else
        CheckPicture(id);
}

void FXPackageCheck::CheckPicture(int id)
{
    if (!picturesSeen.insert(id).second)
        return;
    ++pictures;
    if (!picturesDecoded)
        return;
    // Through the codec rather than a canvas, to say why it was refused.
    FXPackageData* d = pkg->GetDataPtr(id);
    FXPixmap pixels;
    pixels.power2 = false;
    std::string why;
    PPictureCodec* codec = fxPictureCodec();
    if (!codec || !d || d->size <= 0 ||
        !codec->Decode(nullptr, pkg->GetDataType(id), d->start, static_cast<size_t>(d->size), 4, &pixels, nullptr,
                       &why)) {
        if (!why.empty())
            Problem(id, "a picture of type %d that %s", pkg->GetDataType(id), why.c_str());
        else
            Problem(id, "a picture of type %d that the image library cannot decode", pkg->GetDataType(id));
    }
}
