// The immediate-mode entry points the mesh loops call per vertex, gathered in
// one table so that a test can lay a counting layer over them. Holds the GL
// functions from the start.
#pragma once

#if defined(_WIN32)
#define FX_GLAPI __stdcall
#else
#define FX_GLAPI
#endif

struct FXGLCalls {
    void(FX_GLAPI* Begin)(unsigned mode);
    void(FX_GLAPI* End)();
    void(FX_GLAPI* Color4fv)(const float* v);
    void(FX_GLAPI* Normal3fv)(const float* v);
    void(FX_GLAPI* TexCoord2fv)(const float* v);
    void(FX_GLAPI* Vertex3fv)(const float* v);
};

extern FXGLCalls fxgl;
