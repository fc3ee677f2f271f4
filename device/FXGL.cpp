#include "device/FXGL.h"

#include "base/fxThread.h"
#include "base/fxTrace.h"
#include "sys/PGLWindow.h"
#include "sys/fxSystem.h"
#include "render/FXGRAutoAct.h"
#include "render/FXLight.h"
#include "render/FXMaterial.h"
#include "render/FXPixmap.h"
#include "device/fxGLHeaders.h"

#include <cstring>
#include <vector>

FXGL::ActiveTextureFn FXGL::glActiveTexture = nullptr;
FXGL::MultiTexCoord2fFn FXGL::glMultiTexCoord2f = nullptr;
FXGL::MultiTexCoord2fvFn FXGL::glMultiTexCoord2fv = nullptr;
FXGL::TexStorage2DFn FXGL::glTexStorage2D = nullptr;

namespace {

const char* localGLString(GLenum which)
{
    const GLubyte* s = glGetString(which);
    return s ? reinterpret_cast<const char*>(s) : "";
}

// Errors left by earlier calls must not be taken for the upload's.
void localClearGLErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void localSetTextureParams(GLint minFilter)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void localSwitch(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

// Binds the material's texture on the active unit, or unbinds; true when bound.
bool localBindTexture(const FXMaterial* m)
{
    bool on = m && m->prepared && m->texture != 0;
    localSwitch(GL_TEXTURE_2D, on);
    glBindTexture(GL_TEXTURE_2D, on ? m->texture : 0);
    return on;
}

bool localIsLightName(int slot)
{
    return slot >= GL_LIGHT0 && slot < GL_LIGHT0 + PEnv::kMaxLights;
}

} // namespace

FXGL::FXGL()
    : hwnd(nullptr), oldParent(nullptr), hdc(nullptr), hglrc(nullptr), extBgra(false),
      extSeparateSpecular(false), extEdgeClamp(false), extMultitexture(false), extCubeMap(false),
      hideMultitexture(false)
{
    oldRect.SetZero();
    std::memset(clrColor, 0, sizeof clrColor);
    matrix.SetIdentity();
}

FXGL::~FXGL()
{
    FXGL::Destroy();
}

void FXGL::Destroy()
{
    PEnv::Destroy();
    if (thread)
        return; // the loop did not stop and may still draw with the context
    if (hdc) {
        hdc->MakeCurrent(nullptr);
        if (hglrc)
            hdc->DeleteContext(hglrc);
        if (hwnd)
            hwnd->ReleaseSurface(hdc);
    }
    hglrc = nullptr;
    hdc = nullptr;
    hwnd = nullptr;
    oldParent = nullptr;
}

bool FXGL::CreateChild(void* w)
{
    Destroy();
    mutex = fxCreateMutex();
    hwnd = static_cast<PGLWindow*>(w);
    window = w;
    if (!hwnd)
        return false;
    hwnd->GetScreenSize(&screenWidth, &screenHeight);
    hwnd->GetClientSize(&width, &height);
    FXGLPixelFormat format; // double-buffered RGBA, 24 colour, 16 depth, 16 stencil
    hdc = hwnd->CreateSurface(format);
    if (!hdc)
        return false;
    hglrc = hdc->CreateContext();
    if (!hglrc || !hdc->MakeCurrent(hglrc)) {
        // Without a context every device operation does nothing.
        if (hglrc)
            hdc->DeleteContext(hglrc);
        hglrc = nullptr;
        hwnd->ReleaseSurface(hdc);
        hdc = nullptr;
        return false;
    }
    bool edgeClamp = InitExtensions();
    ClrParams();
    hdc->SetSwapInterval(1);
    hdc->MakeCurrent(nullptr);
    return edgeClamp;
}

bool FXGL::InitExtensions()
{
    trc("OpenGL info:\n");
    trc("vendor: %s\n", localGLString(GL_VENDOR));
    trc("renderer: %s\n", localGLString(GL_RENDERER));
    trc("version: %s\n", localGLString(GL_VERSION));

    const char* list = localGLString(GL_EXTENSIONS);
    extBgra = TestExtensionString(list, "EXT_bgra");
    extSeparateSpecular = TestExtensionString(list, "EXT_separate_specular_color");
    extEdgeClamp =
        TestExtensionString(list, "EXT_texture_edge_clamp") || TestExtensionString(list, "SGIS_texture_edge_clamp");
    extMultitexture = !hideMultitexture && TestExtensionString(list, "ARB_multitexture");
    glActiveTexture = nullptr;
    glMultiTexCoord2f = nullptr;
    glMultiTexCoord2fv = nullptr;
    if (extMultitexture && hdc) {
        glActiveTexture = reinterpret_cast<ActiveTextureFn>(hdc->GetProcAddress("glActiveTexture"));
        glMultiTexCoord2f = reinterpret_cast<MultiTexCoord2fFn>(hdc->GetProcAddress("glMultiTexCoord2f"));
        glMultiTexCoord2fv = reinterpret_cast<MultiTexCoord2fvFn>(hdc->GetProcAddress("glMultiTexCoord2fv"));
    }
    glTexStorage2D = nullptr;
    if (hdc && TestExtensionString(list, "ARB_texture_storage"))
        glTexStorage2D = reinterpret_cast<TexStorage2DFn>(hdc->GetProcAddress("glTexStorage2D"));
    extCubeMap = TestExtensionString(list, "ARB_texture_cube_map");
    npotTextures = TestExtensionString(list, "ARB_texture_non_power_of_two");

    if (extBgra)
        trc("EXT_bgra\n");
    if (extSeparateSpecular)
        trc("EXT_separate_specular_color\n");
    if (extEdgeClamp)
        trc("EXT_texture_edge_clamp\n");
    if (extMultitexture)
        trc("ARB_multitexture\n");
    if (extCubeMap)
        trc("ARB_texture_cube_map\n");
    if (npotTextures)
        trc("ARB_texture_non_power_of_two\n");
    return extEdgeClamp;
}

bool FXGL::TestGL(bool showMessage)
{
    if (extMultitexture)
        return true;
    if (showMessage)
        fxSysErrorBox("Your Graphics Capabilities seems to be insufficient. Either you have no Graphics Card, or you "
                      "have not installed the drivers for it.",
                      "Vorn3D");
    return false;
}

bool FXGL::TestExtensionString(const char* list, const char* name)
{
    if (!list || !name || !*list || !*name)
        return false;
    size_t n = std::strlen(list);
    size_t k = std::strlen(name);
    // A rejected occurrence moves the start on by the name's length, so the
    // search ends within the list.
    size_t from = 0;
    for (;;) {
        const char* p = std::strstr(list + from, name);
        if (!p)
            return false;
        char after = p[k];
        if (after == ' ' || after == 0)
            return true;
        from += k;
        if (from + 1 >= n)
            return false;
    }
}

void FXGL::ClrParams()
{
    if (!HasContext())
        return;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, 2, -2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    matrix.SetIdentity();

    const float black[4] = {0, 0, 0, 0};
    SetClrColor(black);
    glClearDepth(2.0);
    glClearStencil(0);

    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glDisable(GL_CULL_FACE);
    cullFace = cullBack = false;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    depthTest = true;
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.007843138f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_LIGHTING);
    lightingOn = false;
    glDisable(GL_NORMALIZE);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    if (extSeparateSpecular)
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
}

void FXGL::SetAct(bool on)
{
    if (hdc && hglrc)
        hdc->MakeCurrent(on ? hglrc : nullptr);
}

void FXGL::RenderEnd()
{
    if (hdc)
        hdc->SwapBuffers();
}

void FXGL::SetClrColor(const float* rgba)
{
    std::memcpy(clrColor, rgba, sizeof clrColor);
    if (HasContext())
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
}

void FXGL::Clrscr(bool colour, bool depth, bool stencil)
{
    if (!HasContext())
        return;
    GLbitfield bits = 0;
    if (colour)
        bits |= GL_COLOR_BUFFER_BIT;
    if (depth)
        bits |= GL_DEPTH_BUFFER_BIT;
    if (stencil)
        bits |= GL_STENCIL_BUFFER_BIT;
    glClear(bits);
}

void FXGL::Enlarge(bool on)
{
    if (!hwnd || !HasContext())
        return;
    FXGRAutoAct act(this);
    if (on) {
        if (!enlarged) {
            hwnd->GetRectInParent(&oldRect);
            oldParent = hwnd->SetParent(nullptr);
        }
        hwnd->Move(0, 0, screenWidth, screenHeight);
    } else {
        if (!enlarged)
            return;
        hwnd->SetParent(oldParent);
        hwnd->Move(oldRect.left, oldRect.top, oldRect.right - oldRect.left, oldRect.bottom - oldRect.top);
    }
    hwnd->GetClientSize(&width, &height);
    glViewport(0, 0, width, height);
    enlarged = on;
}

void FXGL::UpdateLights()
{
    if (!HasContext())
        return;
    for (int i = 0; i < kMaxLights; ++i) {
        FXLight* l = lights[i];
        GLenum name = static_cast<GLenum>(GL_LIGHT0 + i);
        if (!l || l->disabled) {
            glDisable(name);
            continue;
        }
        l->slot = static_cast<int>(name);
        glLightfv(name, GL_POSITION, l->pos);
        glLightfv(name, GL_SPOT_DIRECTION, l->spotDir);
        glLightfv(name, GL_AMBIENT, l->ambient);
        glLightfv(name, GL_DIFFUSE, l->diffuse);
        glLightfv(name, GL_SPECULAR, l->specular);
        glLightf(name, GL_SPOT_EXPONENT, l->spotExponent);
        glLightf(name, GL_SPOT_CUTOFF, l->spotCutoff);
        glLightf(name, GL_CONSTANT_ATTENUATION, l->constantAtt);
        glLightf(name, GL_LINEAR_ATTENUATION, l->linearAtt);
        glLightf(name, GL_QUADRATIC_ATTENUATION, l->quadraticAtt);
        glEnable(name);
    }
}

void FXGL::ApplyMaterial(FXMaterial* m)
{
    if (testingMaterial || !HasContext())
        return;
    if (!m)
        m = &defaultMaterial;
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m->ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m->diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m->specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m->emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m->shininess);
    textureOn = localBindTexture(m);
}

void FXGL::ApplyMaterial2(FXMaterial* m)
{
    if (testingMaterial || !glActiveTexture || !HasContext())
        return;
    glActiveTexture(GL_TEXTURE1);
    texture1On = localBindTexture(m);
    glActiveTexture(GL_TEXTURE0);
}

void FXGL::ApplyMatrix(const FXMatrix* m)
{
    if (!HasContext() || !m)
        return;
    matrix.Copy(m);
    glLoadMatrixf(matrix.m);
}

void FXGL::MultiplyMatrix(const FXMatrix* m)
{
    if (!HasContext() || !m)
        return;
    FXMatrix product;
    product.Multiply(&matrix, m);
    matrix.Copy(&product);
    glLoadMatrixf(matrix.m);
}

void FXGL::ApplyMatrixIdentity()
{
    if (!HasContext())
        return;
    matrix.SetIdentity();
    glLoadIdentity();
}

void FXGL::EnableLights(bool on)
{
    if (!HasContext())
        return;
    lightingOn = on;
    localSwitch(GL_LIGHTING, on);
}

void FXGL::EnableLight(bool on, FXLight* l)
{
    if (!HasContext() || !l)
        return;
    l->disabled = !on;
    // A light that UpdateLights has not placed yet has no GL light.
    if (!localIsLightName(l->slot))
        return;
    localSwitch(static_cast<GLenum>(l->slot), on);
}

void FXGL::DisableAllLights()
{
    if (!HasContext())
        return;
    for (int i = 0; i < kMaxLights; ++i) {
        if (lights[i])
            lights[i]->disabled = true;
        glDisable(static_cast<GLenum>(GL_LIGHT0 + i));
    }
}

void FXGL::SetAmbient(const float* rgba)
{
    if (HasContext())
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, rgba);
}

void FXGL::EnableDepthTest(bool on)
{
    if (!HasContext())
        return;
    depthTest = on;
    localSwitch(GL_DEPTH_TEST, on);
}

void FXGL::EnableDepthWrite(bool on)
{
    if (!HasContext())
        return;
    depthWrite = on;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
}

void FXGL::EnableCullface(bool cull, bool back)
{
    if (!HasContext())
        return;
    cullFace = cull;
    cullBack = back;
    if (cull || back) {
        glEnable(GL_CULL_FACE);
        glCullFace(back ? GL_BACK : GL_FRONT);
    } else {
        glDisable(GL_CULL_FACE);
    }
}

namespace {

bool localPowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// The next mipmap level of a w x h RGBA image, as GLU makes it: each pixel
// the rounded mean of a 2 x 2 block, or of two pixels once a side is 1; an
// odd side's last row or column has no pair and is left out. out may be in
// (it is never written ahead of what is still to be read).
void localHalve(const unsigned char* in, int w, int h, unsigned char* out)
{
    if (w == 1 || h == 1) {
        int n = (w > h ? w : h) / 2;
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < 4; ++c)
                out[i * 4 + c] = static_cast<unsigned char>((in[i * 8 + c] + in[i * 8 + 4 + c]) / 2);
        return;
    }
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h / 2; ++y) {
        const unsigned char* a = in + 2 * y * row;
        const unsigned char* b = a + row;
        unsigned char* o = out + static_cast<size_t>(y) * (w / 2) * 4;
        for (int x = 0; x < w / 2; ++x, a += 8, b += 8, o += 4)
            for (int c = 0; c < 4; ++c)
                o[c] = static_cast<unsigned char>((a[c] + a[4 + c] + b[c] + b[4 + c] + 2) / 4);
    }
}

// Immutable storage cannot be given again: such a bound texture is
// replaced by a new name, bound in its place. True when it was.
bool localReplaceImmutable(unsigned* texture)
{
    GLint immutable = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_IMMUTABLE_FORMAT, &immutable);
    if (!immutable)
        return false;
    GLuint old = *texture, name = 0;
    glDeleteTextures(1, &old);
    glGenTextures(1, &name);
    *texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    return true;
}

} // namespace

void FXGL::EnableNormalize(bool on)
{
    if (HasContext())
        localSwitch(GL_NORMALIZE, on);
}

void FXGL::EnableSphereMap(bool on)
{
    if (!HasContext())
        return;
    if (on) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    localSwitch(GL_TEXTURE_GEN_S, on);
    localSwitch(GL_TEXTURE_GEN_T, on);
}

bool FXGL::ReadPixels(int w, int h, unsigned char* rgb)
{
    if (!HasContext() || w <= 0 || h <= 0 || !rgb)
        return false;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return glGetError() == GL_NO_ERROR;
}

bool FXGL::UploadMipmapped(FXPixmap* p, unsigned* texture)
{
    int w = p->pitch, h = p->allocHeight;
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    bool power2 = localPowerOfTwo(w) && localPowerOfTwo(h);
    // GLU scales a side that is not a power of two up to one, and a texture
    // larger than the device takes down to its limit; a GL 1.x device
    // without immutable storage keeps GLU's chain.
    if (w > most || h > most || (!power2 && !npotTextures) || (power2 && !glTexStorage2D))
        return gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels) == 0;
    // The whole chain filled level by level from our own halving: with
    // immutable storage it is allocated once (gluBuild2DMipmaps gives the
    // same levels but leaves the driver a second copy while it assembles
    // them); a side that is not a power of two keeps its size, each level
    // the floor of half the one above.
    int levels = 1;
    for (int s = w > h ? w : h; s > 1; s /= 2)
        ++levels;
    if (glTexStorage2D) {
        localReplaceImmutable(texture);
        glTexStorage2D(GL_TEXTURE_2D, levels, GL_RGBA8, w, h);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
    }
    std::vector<unsigned char> level;
    const unsigned char* src = reinterpret_cast<const unsigned char*>(p->pixels);
    for (int i = 1; i < levels; ++i) {
        int nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
        if (level.empty())
            level.resize(static_cast<size_t>(nw) * nh * 4);
        localHalve(src, w, h, level.data());
        if (glTexStorage2D)
            glTexSubImage2D(GL_TEXTURE_2D, i, 0, 0, nw, nh, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        else
            glTexImage2D(GL_TEXTURE_2D, i, GL_RGBA8, nw, nh, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        src = level.data();
        w = nw;
        h = nh;
    }
    return true;
}

bool FXGL::Upload(FXPixmap* p, bool mipmaps, unsigned* texture)
{
    if (!HasContext() || !p || !p->pixels || p->pitch <= 0 || p->allocHeight <= 0)
        return false;
    localClearGLErrors();
    if (*texture == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        *texture = name;
    }
    glBindTexture(GL_TEXTURE_2D, *texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    bool ok = true;
    if (mipmaps) {
        ok = UploadMipmapped(p, texture);
        localSetTextureParams(GL_LINEAR_MIPMAP_LINEAR);
    } else {
        // A movie's frames mostly keep their size: the texture's storage is
        // then written again instead of made anew for every frame.
        GLint tw = 0, th = 0;
        if (!localReplaceImmutable(texture)) {
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
        }
        if (tw == p->pitch && th == p->allocHeight)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, p->pitch, p->allocHeight, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
        else
            glTexImage2D(GL_TEXTURE_2D, 0, 4, p->pitch, p->allocHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
        localSetTextureParams(GL_LINEAR);
    }
    // A texture the device refused (too large, out of memory) is a failure,
    // not an upload.
    ok = ok && glGetError() == GL_NO_ERROR;
    glBindTexture(GL_TEXTURE_2D, 0);
    return ok;
}

// The material keeps the device that named its texture, even when the upload
// failed after the name was made: that device deletes it.
bool FXGL::UploadTo(FXMaterial* m, FXPixmap* p, bool mipmaps)
{
    bool ok = Upload(p, mipmaps, &m->texture);
    if (m->texture != 0)
        m->env = this;
    return ok;
}

bool FXGL::FastPrepareTexture(FXMaterial* m, FXPixmap* p)
{
    if (!m || !UploadTo(m, p, false))
        return false;
    m->texExtentU = static_cast<float>(p->width) / static_cast<float>(p->pitch);
    m->texExtentV = static_cast<float>(p->height) / static_cast<float>(p->allocHeight);
    m->prepared = true;
    return true;
}

bool FXGL::PrepareTexture(FXMaterial* m)
{
    return m && m->texCanvas && UploadTo(m, &m->texCanvas->pixmap, m->mipmaps);
}

void FXGL::UnprepareTexture(FXMaterial* m)
{
    if (!m || m->texture == 0)
        return;
    if (HasContext()) {
        GLuint name = m->texture;
        glDeleteTextures(1, &name);
    }
    m->texture = 0;
}
