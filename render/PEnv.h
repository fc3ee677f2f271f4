// PEnv: the render environment, the one interface between the engine's
// drawables and the graphics device. It keeps what does not depend on the
// device: the eight light slots, the environment's materials and libraries,
// a lock, and the render loop thread that draws the root renderable once per
// frame. FXGL is the device.
//
// Threads: the UI thread builds and destroys, the loop thread draws. With
// lockFrames set each frame runs under mutex; any other thread that touches
// the device takes the same lock with FXGRAutoAct, so the GL context is
// current on one thread at a time. The device operations assume that.
#pragma once

#include "base/FXArray.h"
#include "base/FXMatrix.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"

#include <atomic>

class FXFramePacer;
class FXLight;
class FXMesh;
class FXPackage;
class FXPixmap;
class PRender;

class PEnv {
public:
    enum { kMaxLights = 8 };

    int width, height;             // client size of the drawing surface
    int screenWidth, screenHeight; // size of the screen
    bool enlarged;
    std::atomic<PRender*> render;  // the loop's root renderable
    bool lockFrames;
    FXLight* lights[kMaxLights];   // slot index = GL light number; not owned
    FXMaterial defaultMaterial;
    FXMatlib defaultMatlib;
    FXArray matlibs;               // FXMatlib*, owned
    bool testingMaterial;
    bool lightingOn, textureOn, texture1On;
    bool depthWrite, depthTest;
    bool cullFace, cullBack;
    void* mutex;
    std::atomic<bool> running;       // written by the loop thread
    std::atomic<bool> stopRequested; // polled by the loop once per frame
    void* thread;
    FXMatrix matrix;               // the current model-view matrix
    void* window;
    bool npotTextures;
    // Asked before each frame of the loop (display off, frame cap): the
    // process's pacer unless set otherwise before StartLoop; null draws
    // every turn (the recorder).
    FXFramePacer* pacer;

    PEnv();
    virtual ~PEnv();
    PEnv(const PEnv&) = delete;
    PEnv& operator=(const PEnv&) = delete;

    virtual bool CreateChild(void* window) = 0;
    // Stops the loop, releases the materials and libraries and the mutex.
    // A loop that does not stop within half a second keeps all of them.
    virtual void Destroy();
    virtual void ClrParams() = 0;
    virtual void SetAct(bool on) = 0;
    virtual bool RenderStart() = 0;
    virtual void RenderEnd() = 0;
    // Starts the loop on r, or hands r to the loop already running.
    virtual bool StartLoop(PRender* r);
    // Asks the loop to stop and waits up to seconds (100000 or more: without
    // limit) for its current frame to finish; render is null afterwards.
    // False when the frame is still running then (the thread is blocked, in
    // the window system as a rule): the thread stays, and nothing it may
    // touch can be released.
    virtual bool StopLoop(double seconds);
    virtual void Lock(bool on);
    virtual void SetClrColor(const float* rgba) = 0;
    virtual void Clrscr(bool colour, bool depth, bool stencil) = 0;
    virtual void Enlarge(bool on) = 0;
    // The lowest free slot; true when l holds a slot. False when all eight
    // are taken by other lights.
    virtual bool RegisterLight(FXLight* l);
    virtual void UnregisterLight(FXLight* l);
    virtual void UpdateLights() = 0;
    virtual FXMaterial* GetDefaultMaterial();
    virtual FXMatlib* GetDefaultMatlib();
    // Libraries by name, shared and counted; a new one has defaultMatlib as
    // parent and is returned even when nothing could be loaded into it.
    virtual FXMatlib* LoadMatlib(const char* name);
    virtual FXMatlib* LoadMatlibC(FXPackage* pkg, const char* name);
    virtual FXMatlib* LoadMatlibCN(FXPackage* pkg, int id);
    virtual void RemoveMatlib(FXMatlib* m);
    virtual void AddMaterial(FXMaterial* m);
    virtual void ApplyDefaultMaterial();
    virtual void ApplyMaterial(FXMaterial* m) = 0;
    virtual void ApplyMaterial2(FXMaterial* m) = 0;
    virtual void ApplyMatrix(const FXMatrix* m) = 0;
    virtual void MultiplyMatrix(const FXMatrix* m) = 0;
    virtual void ApplyMatrixIdentity() = 0;
    virtual void EnableLights(bool on) = 0;
    virtual void EnableLight(bool on, FXLight* l) = 0;
    virtual void DisableAllLights() = 0;
    virtual void SetAmbient(const float* rgba) = 0;
    virtual void EnableDepthTest(bool on) = 0;
    virtual void EnableDepthWrite(bool on) = 0;
    virtual void EnableCullface(bool cull, bool cullBack) = 0;
    // Rescaling normals after the model-view matrix (a scaled mesh).
    virtual void EnableNormalize(bool) {}
    // Texture coordinates generated as a sphere map (a reflective surface).
    virtual void EnableSphereMap(bool) {}
    // The drawn frame's w x h RGB pixels, bottom row first; false without
    // a device.
    virtual bool ReadPixels(int, int, unsigned char*) { return false; }
    virtual void EnableTestingMaterial(bool on);
    virtual bool PrepareTexture(FXMaterial* m) = 0;
    virtual bool FastPrepareTexture(FXMaterial* m, FXPixmap* p) = 0;
    virtual bool PrepareCubeTexture(FXMaterial* m, FXPixmap* p0, FXPixmap* p1, FXPixmap* p2, FXPixmap* p3,
                                    FXPixmap* p4, FXPixmap* p5) = 0;
    virtual void UnprepareTexture(FXMaterial* m) = 0;
    // An environment that keeps something of a mesh sets the mesh's env to
    // itself, so that the mesh's Destroy tells it; it must outlive the mesh.
    virtual bool PrepareMesh(FXMesh* mesh) = 0;
    virtual void UnprepareMesh(FXMesh* mesh) = 0;
    virtual void RenderMesh(FXMesh* mesh) = 0;
    // RenderMesh for a mesh in the z = 0 plane that the caller knows leaves
    // every pixel outside box (left, top, right, bottom in its x and y) as
    // it was: those need not be filled. Without a cheaper way, the whole
    // mesh.
    virtual void RenderMeshIn(FXMesh* mesh, const float*) { RenderMesh(mesh); }
    // The loop body, run on the loop thread.
    virtual void RenderLoop();

private:
    void ReleaseMaterials();
};

extern PEnv* fxglobalEnv;
void fxSetEnv(PEnv* env);
// No process environment any more if it was env (which is going away).
void fxLeaveEnv(PEnv* env);
