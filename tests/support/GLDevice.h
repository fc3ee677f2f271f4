// A device on an offscreen EGL surface, current on the test's thread, made
// the process's environment for the test's life.
#pragma once

#include "platform/egl/FXEglWindow.h"
#include "device/FXGL.h"
#include "device/fxGLHeaders.h"

#include <cstdint>
#include <vector>

class GLDevice {
public:
    explicit GLDevice(int w = 64, int h = 64, bool hideMultitexture = false) : window(w, h)
    {
        gl.hideMultitexture = hideMultitexture;
        gl.CreateChild(&window);
        created = gl.hglrc != nullptr;
        gl.SetAct(true);
        fxSetEnv(&gl);
    }
    ~GLDevice()
    {
        fxSetEnv(nullptr);
        gl.SetAct(false);
        gl.Destroy();
    }

    // RGBA bytes of one pixel, x from the left, y from the top.
    uint32_t Pixel(int x, int y) const
    {
        unsigned char p[4] = {0, 0, 0, 0};
        glReadPixels(x, gl.height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }

    FXEglWindow window;
    FXGL gl;
    bool created;
};
