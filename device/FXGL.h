// FXGL: the OpenGL 1.x device, the render environment's only implementation.
// It draws through the window system binding of sys/PGLWindow.h and is
// itself platform-free. Every operation needs the context current on the
// calling thread (the render loop and FXGRAutoAct arrange it); without a
// context (CreateChild failed or was never called) every operation does
// nothing.
#pragma once

#include "base/FXRect.h"
#include "render/PEnv.h"
#include "device/fxGLCalls.h"

class PGLSurface;
class PGLWindow;

class FXGL : public PEnv {
public:
    PGLWindow* hwnd;  // the window drawn into; not owned
    void* oldParent;  // the former parent while enlarged
    FXRect oldRect;   // the place in that parent before enlarging
    PGLSurface* hdc;  // the window's surface
    void* hglrc;      // the GL context
    float clrColor[4];
    bool extBgra;
    bool extSeparateSpecular;
    bool extEdgeClamp;
    bool extMultitexture;
    bool extCubeMap;

    // The multitexture entry points, resolved by InitExtensions; null until
    // then and on devices without "ARB_multitexture".
    typedef void(FX_GLAPI* ActiveTextureFn)(unsigned texture);
    typedef void(FX_GLAPI* MultiTexCoord2fFn)(unsigned texture, float s, float t);
    typedef void(FX_GLAPI* MultiTexCoord2fvFn)(unsigned texture, const float* v);
    static ActiveTextureFn glActiveTexture;
    static MultiTexCoord2fFn glMultiTexCoord2f;
    static MultiTexCoord2fvFn glMultiTexCoord2fv;
    // Immutable texture storage ("ARB_texture_storage"), for mipmapped
    // uploads; null where the device has none.
    typedef void(FX_GLAPI* TexStorage2DFn)(unsigned target, int levels, unsigned format, int w, int h);
    static TexStorage2DFn glTexStorage2D;

    FXGL();
    ~FXGL() override;

    // window is a PGLWindow*. Creates the context and sets the fixed state;
    // returns whether an edge-clamp extension exists, false on any failure.
    bool CreateChild(void* window) override;
    void Destroy() override;
    void ClrParams() override;
    void SetAct(bool on) override;
    bool RenderStart() override { return true; }
    void RenderEnd() override;
    void SetClrColor(const float* rgba) override;
    void Clrscr(bool colour, bool depth, bool stencil) override;
    void Enlarge(bool on) override;
    void UpdateLights() override;
    void ApplyMaterial(FXMaterial* m) override;
    void ApplyMaterial2(FXMaterial* m) override;
    void ApplyMatrix(const FXMatrix* m) override;
    void MultiplyMatrix(const FXMatrix* m) override;
    void ApplyMatrixIdentity() override;
    void EnableLights(bool on) override;
    void EnableLight(bool on, FXLight* l) override;
    void DisableAllLights() override;
    void SetAmbient(const float* rgba) override;
    void EnableDepthTest(bool on) override;
    void EnableDepthWrite(bool on) override;
    void EnableCullface(bool cull, bool cullBack) override;
    void EnableNormalize(bool on) override;
    void EnableSphereMap(bool on) override;
    bool ReadPixels(int w, int h, unsigned char* rgb) override;
    bool PrepareTexture(FXMaterial* m) override;
    bool FastPrepareTexture(FXMaterial* m, FXPixmap* p) override;
    bool PrepareCubeTexture(FXMaterial*, FXPixmap*, FXPixmap*, FXPixmap*, FXPixmap*, FXPixmap*,
                            FXPixmap*) override
    {
        return false;
    }
    void UnprepareTexture(FXMaterial* m) override;
    bool PrepareMesh(FXMesh*) override { return true; }
    void UnprepareMesh(FXMesh*) override {}
    void RenderMesh(FXMesh* mesh) override;
    // Only the window pixels the box covers (a scissor, so that every pixel
    // drawn is the one the whole mesh would draw there).
    void RenderMeshIn(FXMesh* mesh, const float* box) override;

    // Traces the GL strings and the extensions found; returns extEdgeClamp.
    bool InitExtensions();
    // True with multitexturing. Otherwise false, after a message box when
    // showMessage is set.
    bool TestGL(bool showMessage);
    // name (without "GL_") occurs in the blank-separated list followed by a
    // blank or the list's end.
    static bool TestExtensionString(const char* list, const char* name);

    // Testing: the next InitExtensions reports no "ARB_multitexture".
    bool hideMultitexture;

private:
    bool HasContext() const { return hglrc != nullptr; }
    bool Upload(FXPixmap* p, bool mipmaps, unsigned* texture);
    bool UploadTo(FXMaterial* m, FXPixmap* p, bool mipmaps);
    // The bound texture *texture with every level from p; may replace the
    // name (immutable storage cannot be given again).
    bool UploadMipmapped(FXPixmap* p, unsigned* texture);
};
