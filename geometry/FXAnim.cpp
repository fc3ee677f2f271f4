#include "geometry/FXAnim.h"

#include "base/fxTrace.h"
#include "curves/FXBezierPhaseH.h"
#include "curves/FXBezierSpline.h"
#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "render/FXMatlib.h"
#include "render/PEnv.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Bytes a mesh header record occupies at least: name length, two extents,
// two modes, two counts.
const int kMeshHeaderBytes = 28;

FXMesh* localMesh(const FXArray& list, int i)
{
    return static_cast<FXMesh*>(list.Get(i));
}

FXBezierSpline* localSpline(const FXArray& list, int i)
{
    return static_cast<FXBezierSpline*>(list.Get(i));
}

long long localElements(const FXModel* m)
{
    long long n = 0;
    for (int i = 0; i < m->loadedMeshes.count; ++i)
        if (const FXMesh* x = localMesh(m->loadedMeshes, i))
            n += x->vertexCount + static_cast<long long>(x->indexCount);
    return n;
}

// The pair (a, b) in ascending order; the wrap from the last frame to frame 0
// stays as it is and runs forwards on the closing piece.
void localOrder(int* a, int* b, bool* reversed, int count)
{
    if (*a > *b && !(*b == 0 && *a == count - 1)) {
        int t = *a;
        *a = *b;
        *b = t;
        *reversed = !*reversed;
    }
}

} // namespace

FXAnim::FXAnim()
    : auxValue(0), playing(true), backward(false), loop(true), pingPong(false), frameStart(0), actFrame(0),
      frameDuration(0), manual(false), frameDirty(false), interpolate(false), interpolateAux(false), linear(false),
      reversed(false), tension(1.0f), actPhase(0)
{
}

bool FXAnim::LoadCN(FXPackage* pkg, int id)
{
    Destroy();
    FXPackageData* data = pkg ? pkg->GetDataPtr(id) : nullptr;
    if (!data || data->size < 8)
        return false;
    bool v3 = data->start[0] == 4 && data->start[4] == 'x' && data->start[5] == 'a' && data->start[6] == '0' &&
              data->start[7] == '3';
    if (v3) {
        FXStr tag;
        data->ReadString(&tag);
    }
    data->ReadStringArray(&frameNames);
    data->ReadArray(&frameTimes);
    graph.LoadC(pkg, data);
    auxValue = data->ReadFloat();
    playing = data->ReadBool();
    backward = data->ReadBool();
    loop = data->ReadBool();
    pingPong = data->ReadBool();
    if (v3)
        LoadV3(pkg, data);
    else
        LoadV2(pkg);
    return true;
}

void FXAnim::LoadV2(FXPackage* pkg)
{
    long long built = 0;
    for (int i = 0; i < frameNames.count; ++i) {
        const char* name = frameNames.Get(i);
        int id = 0;
        FXModel* m = nullptr;
        if (name && std::sscanf(name, "%d", &id) == 1) {
            m = new FXModel;
            m->LoadCN(pkg, id);
            built += localElements(m);
            if (built > kMaxElements) {
                err("FXAnim::LoadCN - frame %d (model %d) takes the animation to %lld vertices and indices, over "
                    "the limit of %lld: it stays empty\n",
                    i, id, built, kMaxElements);
                delete m;
                m = nullptr;
            } else {
                m->UpdateMeshes();
                m->ResizeTextCoords();
            }
        }
        frames.Push(m);
    }
}

void FXAnim::LoadV3(FXPackage* pkg, FXPackageData* data)
{
    int meshCount = data->ReadInt();
    FXStr libName;
    data->ReadString(&libName);
    int n = frameNames.count;
    if (meshCount < 0 || meshCount > data->remaining / kMeshHeaderBytes || n == 0)
        return;

    // Frame 0 first: the headers decide what every frame costs.
    std::unique_ptr<FXModel> first(new FXModel);
    first->name = frameNames.Get(0) ? frameNames.Get(0) : "";
    first->matlibName = libName;
    // Without a library of its own (an OBJ with no mtllib) the animation
    // still gets one, empty, so that names resolve through its parent: the
    // environment's materials, the captured desktop among them.
    FXMatlib* lib = fxglobalEnv ? fxglobalEnv->LoadMatlibC(pkg, libName.Get()) : nullptr;
    first->matlib = lib;
    long long perFrame = 0;
    for (int j = 0; j < meshCount; ++j) {
        FXMesh* m = new FXMesh;
        m->LoadMeshIC(pkg, data, lib);
        perFrame += m->vertexCount + static_cast<long long>(m->indexCount) + 1;
        first->loadedMeshes.Push(m);
    }
    if (perFrame * n > kMaxElements) {
        err("FXAnim::LoadCN - %d frames of %d meshes make %lld vertices and indices (one more per mesh), over the "
            "limit of %lld: the animation stays empty\n",
            n, meshCount, perFrame * n, kMaxElements);
        return;
    }

    std::vector<std::unique_ptr<FXNumPool>> pools;
    for (int j = 0; j < meshCount; ++j) {
        pools.push_back(std::make_unique<FXNumPool>(800000));
        pools.back()->LoadC(pkg, data);
    }

    frames.Push(first.release());
    FXModel* f0 = GetFrame(0);
    for (int f = 1; f < n; ++f) {
        FXModel* m = new FXModel;
        m->name = frameNames.Get(f) ? frameNames.Get(f) : "";
        if (lib) {
            m->matlib = lib;
            ++lib->refCount;
        }
        for (int j = 0; j < meshCount; ++j) {
            FXMesh* x = new FXMesh;
            x->CopyMeshI(localMesh(f0->loadedMeshes, j));
            m->loadedMeshes.Push(x);
        }
        frames.Push(m);
    }

    FXVectorMap map;
    for (int f = 0; f < n; ++f) {
        map.LoadC(pkg, data);
        FXModel* m = GetFrame(f);
        for (int j = 0; j < meshCount; ++j)
            localMesh(m->loadedMeshes, j)->FromVMap(&map, pools[j].get());
    }
    for (int f = 0; f < n; ++f) {
        GetFrame(f)->UpdateMeshes();
        GetFrame(f)->ResizeTextCoords();
    }
}

void FXAnim::Destroy()
{
    playing = true;
    backward = false;
    loop = true;
    pingPong = false;
    frameStart = 0;
    actFrame = 0;
    reversed = false;
    frameNames.DestroyBuf();
    frameTimes.DestroyBuf();
    fxDeleteItems<FXModel>(&frames);
    graph.Destroy();
    UpdateInterpolation(false, true);
}

void FXAnim::StartAnim(double t)
{
    frameStart = t;
    actFrame = 0;
    actPhase = 0;
    ComputeFrameDuration();
    frameDirty = true;
    playing = true;
}

void FXAnim::ContinueAnim(double t)
{
    frameStart = t;
    ComputeFrameDuration();
    playing = true;
}

void FXAnim::ComputeFrameDuration()
{
    int ms = 0;
    if (frameTimes.count > 0) {
        int i = actFrame < 0 ? 0 : (actFrame >= frameTimes.count ? frameTimes.count - 1 : actFrame);
        ms = frameTimes.GetInt(i);
    }
    frameDuration = (ms <= 0 ? 500 : ms) / 1000.0;
}

void FXAnim::OnRender(PEnv* env, double t)
{
    int count = frameTimes.count;
    if (count == 0)
        return;
    int previous = actFrame;
    if (playing && !manual && t - frameStart >= frameDuration) {
        if (!backward) {
            if (++actFrame >= count) {
                if (!loop) {
                    actFrame = count - 1;
                    playing = false;
                } else if (!pingPong) {
                    actFrame = 0;
                } else {
                    actFrame = count - 2 < 0 ? 0 : count - 2;
                    backward = true;
                }
            }
        } else if (--actFrame < 0) {
            if (!loop) {
                actFrame = 0;
                playing = false;
            } else if (!pingPong) {
                actFrame = count - 1;
            } else {
                actFrame = 1 > count - 1 ? count - 1 : 1;
                backward = false;
            }
        }
        // The overshoot carries into the new frame, unless the clock fell
        // behind by more than a frame: then the new frame starts now.
        double m = 0;
        bool restart = frameDuration == 0 || t - frameStart > 2 * frameDuration;
        if (!restart)
            m = (t - frameStart - frameDuration) / frameDuration;
        ComputeFrameDuration();
        frameStart = t - m * frameDuration;
    }
    if (actFrame < 0)
        actFrame = 0;
    if (actFrame > count - 1)
        actFrame = count - 1;

    if (interpolate) {
        if (!manual) {
            if (actFrame != previous || frameDirty) {
                UpdateIFrame();
                frameDirty = false;
            }
            UpdateIPos(t);
        }
        iModel.OnRender(env, t);
    } else if (FXModel* m = GetFrame(actFrame)) {
        m->OnRender(env, t);
    }
}

// Every frame exists and has frame 0's working meshes with their vertex
// counts: vertices are paired by their number over all meshes, so equal
// totals alone would pair the wrong vertices.
bool FXAnim::FramesMatch() const
{
    const FXModel* f0 = GetFrame(0);
    for (int i = 1; i < frames.count; ++i) {
        const FXModel* m = GetFrame(i);
        if (!m || m->meshes.count != f0->meshes.count)
            return false;
        for (int k = 0; k < f0->meshes.count; ++k) {
            const FXMesh* a = localMesh(f0->meshes, k);
            const FXMesh* b = localMesh(m->meshes, k);
            if ((a ? a->vertexCount : -1) != (b ? b->vertexCount : -1))
                return false;
        }
    }
    return true;
}

void FXAnim::UpdateInterpolation(bool on, bool aux)
{
    interpolate = on;
    interpolateAux = aux;
    evaluated = false;
    iModel.Destroy();
    fxDeleteItems<FXBezierSpline>(&posSplines);
    fxDeleteItems<FXBezierSpline>(&normSplines);
    if (!on || frames.count == 0 || !GetFrame(0))
        return;
    FXModel* f0 = GetFrame(0);
    iModel.Copy(f0);
    if (!FramesMatch())
        return;
    int total = f0->GetTotalVertices();
    posSplines.Realloc(total);
    normSplines.Realloc(total);
    for (int k = 0; k < f0->meshes.count; ++k) {
        const FXMesh* mesh = localMesh(f0->meshes, k);
        if (!mesh)
            continue;
        for (int l = 0; l < mesh->vertexCount; ++l) {
            FXBezierSpline* ps = new FXBezierSpline;
            FXBezierSpline* ns = new FXBezierSpline;
            ps->tension = ns->tension = tension;
            // Sized once: growing one float at a time copies the points
            // again with every push.
            ps->points.Realloc(3 * frames.count);
            ns->points.Realloc(3 * frames.count);
            for (int m = 0; m < frames.count; ++m) {
                const tagFXVertex& v = localMesh(GetFrame(m)->meshes, k)->vertices[l];
                for (int c = 0; c < 3; ++c) {
                    ps->points.Push(v.pos[c]);
                    ns->points.Push(v.norm[c]);
                }
            }
            ps->Precompute();
            ps->PrecomputePhasesLinear();
            ns->Precompute();
            ns->PrecomputePhasesLinear();
            posSplines.Push(ps);
            normSplines.Push(ns);
        }
    }
    UpdateIFrame();
}

void FXAnim::SelectPiece(int a, int b)
{
    evaluated = false;
    for (int k = 0; k < posSplines.count; ++k) {
        FXBezierSpline* splines[2] = {localSpline(posSplines, k), localSpline(normSplines, k)};
        for (FXBezierSpline* s : splines) {
            s->closed = !pingPong;
            s->lineMode = linear;
            s->SetActPoints(a, b);
        }
    }
}

void FXAnim::UpdateIFrame()
{
    int count = frameTimes.count;
    if (count == 0 || iModel.meshes.count == 0 || posSplines.count == 0)
        return;
    reversed = backward;
    int a, b;
    if (!backward) {
        a = actFrame;
        b = a + 1;
        if (b >= count)
            b = !loop ? a : (!pingPong ? 0 : (count - 2 < 0 ? 0 : count - 2));
    } else {
        a = actFrame - 1;
        b = actFrame;
        if (a < 0)
            a = !loop ? actFrame : (!pingPong ? count - 1 : (1 > count - 1 ? count - 1 : 1));
    }
    localOrder(&a, &b, &reversed, count);
    if (a == b) {
        playing = false;
        return;
    }
    SelectPiece(a, b);
}

void FXAnim::EvaluateAt(float phase)
{
    if (reversed)
        phase = 1.0f - phase;
    // A stopped run (the sheet through the whole movie phase) asks for the
    // same places every frame.
    if (evaluated && phase == evaluatedPhase)
        return;
    evaluated = true;
    evaluatedPhase = phase;
    FXBezierPhaseH h;
    h.Prepare(phase);
    int k = 0;
    for (int i = 0; i < iModel.meshes.count; ++i) {
        FXMesh* m = localMesh(iModel.meshes, i);
        if (!m)
            continue;
        for (int l = 0; l < m->vertexCount && k < posSplines.count; ++l, ++k) {
            localSpline(posSplines, k)->GetH(m->vertices[l].pos, &h);
            localSpline(normSplines, k)->GetH(m->vertices[l].norm, &h);
        }
    }
}

void FXAnim::UpdateIPos(double t)
{
    if (iModel.meshes.count == 0 || posSplines.count == 0)
        return;
    // Before any ComputeFrameDuration the duration is 0: the frame has not begun.
    float phase = actPhase;
    if (playing)
        phase = frameDuration > 0 ? static_cast<float>((t - frameStart) / frameDuration) : 0.0f;
    actPhase = phase;
    EvaluateAt(phase);
}

void FXAnim::SetActFrames(int from, int to)
{
    int count = frameTimes.count;
    if (count == 0)
        return;
    actFrame = from;
    if (iModel.meshes.count == 0 || posSplines.count == 0)
        return;
    reversed = false;
    localOrder(&from, &to, &reversed, count);
    SelectPiece(from, to);
}

void FXAnim::SetActPhase(float phase)
{
    if (iModel.meshes.count == 0 || posSplines.count == 0)
        return;
    actPhase = phase;
    EvaluateAt(phase);
}

void FXAnim::UnitizeStretch1(int frame)
{
    FXModel* f = GetFrame(frame);
    if (!f)
        return;
    float box[6] = {0, 0, 0, 0, 0, 0};
    f->FindMaxims(box);
    for (int i = 0; i < frames.count; ++i)
        if (FXModel* m = GetFrame(i))
            m->UnitizeMaximsStretch1(box);
}

void FXAnim::Normalize(int frame, bool markedOnly)
{
    if (frame == -1) {
        for (int i = 0; i < frames.count; ++i)
            if (FXModel* m = GetFrame(i))
                m->Normalize(markedOnly);
    } else if (FXModel* m = frame >= 0 ? GetFrame(frame) : nullptr) {
        m->Normalize(markedOnly);
    }
}

void FXAnim::ComputeFrontTexCoords(int frame, int mesh)
{
    FXModel* src = GetFrame(frame);
    if (!src)
        return;
    src->ComputeFrontTexCoords(mesh);
    for (int i = 0; i < frames.count; ++i)
        if (FXModel* m = GetFrame(i))
            if (m != src)
                m->CopyTexCoords(mesh, src);
}

void FXAnim::ResizeTextCoords1()
{
    for (int i = 0; i < frames.count; ++i)
        if (FXModel* m = GetFrame(i))
            m->ResizeTextCoords1();
}

bool FXAnim::TestRedirect(int meshA, int vertexA, int meshB, int vertexB)
{
    for (int i = 0; i < frames.count; ++i) {
        FXModel* m = GetFrame(i);
        if (!m)
            return false;
        const FXMesh* a = localMesh(m->meshes, meshA);
        const FXMesh* b = localMesh(m->meshes, meshB);
        if (!a || !b || vertexA < 0 || vertexB < 0 || vertexA >= a->vertexCount || vertexB >= b->vertexCount)
            return false;
        const tagFXVertex& x = a->vertices[vertexA];
        const tagFXVertex& y = b->vertices[vertexB];
        for (int c = 0; c < 3; ++c)
            if (x.pos[c] != y.pos[c] || x.norm[c] != y.norm[c])
                return false;
        if (x.tex[0] != y.tex[0] || x.tex[1] != y.tex[1] || x.col[0] != y.col[0])
            return false;
    }
    return true;
}
