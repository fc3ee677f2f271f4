#include "render/PEnv.h"

#include "base/fxThread.h"
#include "base/fxTime.h"
#include "base/fxTrace.h"
#include "render/FXFramePacer.h"
#include "render/FXLight.h"
#include "render/PRender.h"

#include <cstdio>

PEnv* fxglobalEnv = nullptr;

void fxSetEnv(PEnv* env)
{
    fxglobalEnv = env;
}

void fxLeaveEnv(PEnv* env)
{
    if (fxglobalEnv == env)
        fxglobalEnv = nullptr;
}

namespace {

void localLoopTrampoline(void* arg)
{
    static_cast<PEnv*>(arg)->RenderLoop();
}

} // namespace

PEnv::PEnv()
    : width(0), height(0), screenWidth(0), screenHeight(0), enlarged(false), render(nullptr), lockFrames(true),
      testingMaterial(false), lightingOn(false), textureOn(false), texture1On(false), depthWrite(true),
      depthTest(true), cullFace(false), cullBack(false), mutex(fxCreateMutex()), running(false),
      stopRequested(false), thread(nullptr), window(nullptr), npotTextures(false),
      pacer(&fxFramePacer())
{
    for (FXLight*& l : lights)
        l = nullptr;
    matrix.SetIdentity();
    defaultMaterial.SetDefDiffuse(1.0f);
    defaultMatlib.AddMaterial(&defaultMaterial);
}

PEnv::~PEnv()
{
    PEnv::Destroy();
}

void PEnv::Destroy()
{
    if (!StopLoop(0.5)) {
        err("PEnv::Destroy: the render thread is still in its frame; the environment is left to it\n");
        return;
    }
    Lock(true);
    stopRequested = true;
    ReleaseMaterials();
    void* m = mutex;
    mutex = nullptr;
    fxUnlock(m);
    fxDestroyMutex(m);
    stopRequested = false;
}

bool PEnv::StartLoop(PRender* r)
{
    stopRequested = false;
    render = r;
    // A thread that exists but has not yet set running is starting: a
    // second one would draw the same renderable on the same context.
    if (running || thread)
        return true;
    thread = fxCreateThread(localLoopTrampoline, this);
    return thread != nullptr;
}

bool PEnv::StopLoop(double seconds)
{
    stopRequested = true;
    if (pacer)
        pacer->Wake();
    if (thread && !fxWaitThread(thread, seconds)) {
        render = nullptr;
        return false;
    }
    fxDestroyThread(thread);
    thread = nullptr;
    render = nullptr;
    return true;
}

void PEnv::Lock(bool on)
{
    if (!mutex)
        return;
    if (on)
        fxLock(mutex);
    else
        fxUnlock(mutex);
}

bool PEnv::RegisterLight(FXLight* l)
{
    for (FXLight*& slot : lights) {
        if (!slot) {
            slot = l;
            return true;
        }
        if (slot == l)
            return true;
    }
    return false;
}

void PEnv::UnregisterLight(FXLight* l)
{
    for (FXLight*& slot : lights) {
        if (slot == l) {
            slot = nullptr;
            return;
        }
    }
}

void PEnv::RenderLoop()
{
    running = true;
    fxSleep(0.1);
    double slot = 0;
    while (!stopRequested) {
        if (!render) {
            // Nothing to draw yet (the loop was started while the scene
            // loads): wait without spinning, and without moving the show's
            // clock.
            fxSleepWall(0.001);
            continue;
        }
        // Outside the lock: a loop asleep for the display holds nothing.
        if (FXFramePacer* p = pacer)
            if (!p->WaitForFrame(stopRequested, &slot))
                continue;
        bool locked = lockFrames;
        if (locked)
            Lock(true);
        PRender* r = render;
        if (r) {
            SetAct(true);
            double t = fxGetTime();
            r->OnRender(this, t);
            SetAct(false);
        }
        if (locked)
            Lock(false);
        fxSleep(0.001);
    }
    running = false;
}

FXMaterial* PEnv::GetDefaultMaterial()
{
    return &defaultMaterial;
}

FXMatlib* PEnv::GetDefaultMatlib()
{
    return &defaultMatlib;
}

namespace {

FXMatlib* localFindMatlib(const FXArray& libs, const char* name)
{
    for (int i = 0; i < libs.count; ++i) {
        FXMatlib* lib = static_cast<FXMatlib*>(libs.items[i]);
        if (lib && lib->name.Compare(name))
            return lib;
    }
    return nullptr;
}

// The library of that name, shared with one more reference, or a new one
// (parent defaultMatlib) filled by load and named by the name asked for, so
// that it is found again also when nothing could be loaded.
template <class Load>
FXMatlib* localSharedMatlib(PEnv* env, FXArray* libs, FXMatlib* parent, const char* name, Load load)
{
    if (FXMatlib* lib = localFindMatlib(*libs, name)) {
        ++lib->refCount;
        return lib;
    }
    FXMatlib* lib = new FXMatlib;
    lib->parent = parent;
    lib->env = env;
    load(lib);
    lib->name.Set(name);
    libs->Push(lib);
    return lib;
}

} // namespace

FXMatlib* PEnv::LoadMatlib(const char* name)
{
    return localSharedMatlib(this, &matlibs, &defaultMatlib, name, [name](FXMatlib* lib) { lib->LoadFromMtl(name); });
}

FXMatlib* PEnv::LoadMatlibC(FXPackage* pkg, const char* name)
{
    return localSharedMatlib(this, &matlibs, &defaultMatlib, name, [pkg, name](FXMatlib* lib) { lib->LoadC(pkg, name); });
}

FXMatlib* PEnv::LoadMatlibCN(FXPackage* pkg, int id)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", id);
    return LoadMatlibC(pkg, text);
}

void PEnv::RemoveMatlib(FXMatlib* m)
{
    matlibs.Remove(m);
}

void PEnv::AddMaterial(FXMaterial* m)
{
    defaultMatlib.AddMaterial(m);
}

void PEnv::ApplyDefaultMaterial()
{
    ApplyMaterial(&defaultMaterial);
}

void PEnv::EnableTestingMaterial(bool on)
{
    testingMaterial = on;
}

void PEnv::ReleaseMaterials()
{
    for (int i = 0; i < matlibs.count; ++i) {
        FXMatlib* lib = static_cast<FXMatlib*>(matlibs.items[i]);
        if (lib) {
            lib->Destroy();
            delete lib;
        }
    }
    matlibs.RemoveAll();
    defaultMatlib.Destroy();
    defaultMaterial.Destroy();
}
