#include "base/FXMatrix.h"
#include "base/fxTrace.h"
#include "geometry/FXMesh.h"
#include "package/FXPackage.h"
#include "render/FXCanvas.h"
#include "geometry/FXDesk.h"
#include "render/FXLight.h"
#include "render/FXMaterial.h"
#include "render/fxDevil.h"
#include "support/GLDevice.h"
#include "support/PackageBytes.h"
#include "support/PngWriter.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A counting layer over the per-vertex entry points.
struct Counts {
    int begins, ends, colours, normals, texcoords, vertices;
};
Counts counts;
FXGLCalls realCalls;

void FX_GLAPI CountBegin(unsigned) { ++counts.begins; }
void FX_GLAPI CountEnd() { ++counts.ends; }
void FX_GLAPI CountColour(const float*) { ++counts.colours; }
void FX_GLAPI CountNormal(const float*) { ++counts.normals; }
void FX_GLAPI CountTex(const float*) { ++counts.texcoords; }
void FX_GLAPI CountVertex(const float*) { ++counts.vertices; }

class CountingLayer {
public:
    CountingLayer()
    {
        realCalls = fxgl;
        fxgl = {CountBegin, CountEnd, CountColour, CountNormal, CountTex, CountVertex};
        Reset();
    }
    ~CountingLayer() { fxgl = realCalls; }
    void Reset() { std::memset(&counts, 0, sizeof counts); }
};

// One triangle's worth of a mesh: three vertices, indices 0 1 2.
void MakeTriangle(FXMesh* m)
{
    ASSERT_TRUE(m->Realloc(3, 3));
    std::memset(m->vertices, 0, 3 * sizeof(tagFXVertex));
    for (int i = 0; i < 3; ++i)
        m->indices[i] = i;
}

void ExpectLoaded(const FXMatrix& want)
{
    float got[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, got);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(got[i], want.m[i]) << "element " << i;
}

} // namespace

TEST(FXGL, ExtensionListMatching)
{
    EXPECT_TRUE(FXGL::TestExtensionString("GL_EXT_bgra GL_ARB_multitexture", "EXT_bgra"));
    EXPECT_TRUE(FXGL::TestExtensionString("GL_EXT_bgra GL_ARB_multitexture", "ARB_multitexture"));
    EXPECT_FALSE(FXGL::TestExtensionString("GL_EXT_bgra_foo", "EXT_bgra"));
    EXPECT_TRUE(FXGL::TestExtensionString("GL_EXT_bgra_foo GL_EXT_bgra", "EXT_bgra"));
    EXPECT_FALSE(FXGL::TestExtensionString("GL_EXT_bgra", ""));
    EXPECT_FALSE(FXGL::TestExtensionString(nullptr, "EXT_bgra"));
    EXPECT_FALSE(FXGL::TestExtensionString("GL_EXT_bgraXGL_EXT_bgraY", "EXT_bgra"));
}

TEST(FXGL, WithoutContextEveryOperationDoesNothing)
{
    FXGL gl;
    EXPECT_FALSE(gl.CreateChild(nullptr));
    FXEglWindow empty(0, 0);
    EXPECT_FALSE(gl.CreateChild(&empty));
    FXMesh mesh;
    MakeTriangle(&mesh);
    FXMaterial m;
    FXPixmap p;
    ASSERT_TRUE(p.Realloc(4, 4));
    FXMatrix a;
    a.SetIdentity();
    FXLight l;
    gl.RegisterLight(&l);
    const float c[4] = {1, 0, 0, 1};
    gl.SetAct(true);
    gl.ClrParams();
    gl.SetClrColor(c);
    gl.Clrscr(true, true, true);
    gl.UpdateLights();
    gl.EnableLights(true);
    gl.EnableLight(true, &l);
    gl.DisableAllLights();
    gl.ApplyMaterial(&m);
    gl.ApplyMaterial2(&m);
    gl.ApplyMatrix(&a);
    gl.MultiplyMatrix(&a);
    gl.EnableCullface(true, true);
    gl.Enlarge(true);
    EXPECT_FALSE(gl.FastPrepareTexture(&m, &p));
    EXPECT_FALSE(gl.PrepareTexture(&m));
    gl.RenderMesh(&mesh);
    gl.RenderEnd();
    gl.SetAct(false);
    EXPECT_FALSE(gl.lightingOn);
    EXPECT_FALSE(gl.cullFace);
    EXPECT_FALSE(gl.enlarged);
    EXPECT_EQ(m.texture, 0u);
}

TEST(FXGL, CreateChildProbesAndTraces)
{
    TempDir dir;
    std::string log = dir.File("gl.log");
    ASSERT_TRUE(fxOpenTraces(log.c_str()));
    bool edgeClamp;
    {
        GLDevice dev(32, 16);
        ASSERT_TRUE(dev.created);
        edgeClamp = dev.gl.extEdgeClamp;
        EXPECT_EQ(dev.gl.width, 32);
        EXPECT_EQ(dev.gl.height, 16);
        EXPECT_EQ(dev.gl.screenWidth, 32);
        EXPECT_NE(dev.gl.mutex, nullptr);
        EXPECT_TRUE(dev.gl.extMultitexture);
        EXPECT_NE(FXGL::glActiveTexture, nullptr);
        EXPECT_NE(FXGL::glMultiTexCoord2fv, nullptr);
        EXPECT_TRUE(dev.gl.TestGL(false));
        EXPECT_TRUE(dev.gl.npotTextures);
    }
    fxCloseTraces();
    std::string text = ReadFileBytes(log);
    EXPECT_NE(text.find("OpenGL info:\n"), std::string::npos);
    EXPECT_NE(text.find("vendor: "), std::string::npos);
    EXPECT_NE(text.find("renderer: "), std::string::npos);
    EXPECT_NE(text.find("ARB_multitexture\n"), std::string::npos);
    EXPECT_NE(text.find("ARB_texture_non_power_of_two\n"), std::string::npos);
    EXPECT_EQ(text.find("EXT_texture_edge_clamp\n") != std::string::npos, edgeClamp);

    GLDevice without(8, 8, true);
    ASSERT_TRUE(without.created);
    EXPECT_FALSE(without.gl.extMultitexture);
    EXPECT_EQ(FXGL::glMultiTexCoord2fv, nullptr);
    EXPECT_FALSE(without.gl.TestGL(false));
}

TEST(FXGL, ClearCullAndMatrixState)
{
    GLDevice dev(8, 8);
    ASSERT_TRUE(dev.created);
    glClearStencil(5);
    glClearDepth(0.25);
    glClear(GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    const float red[4] = {1, 0, 0, 1};
    dev.gl.SetClrColor(red);
    dev.gl.Clrscr(true, true, false);
    EXPECT_EQ(dev.Pixel(3, 3), 0xff0000ffu);
    float depth = 0;
    GLint stencil = 0;
    glReadPixels(3, 3, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    glReadPixels(3, 3, 1, 1, GL_STENCIL_INDEX, GL_INT, &stencil);
    EXPECT_FLOAT_EQ(depth, 1.0f);
    EXPECT_EQ(stencil, 5);

    GLint mode = 0;
    dev.gl.EnableCullface(true, false);
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(mode, GL_FRONT);
    dev.gl.EnableCullface(false, true);
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(mode, GL_BACK);
    dev.gl.EnableCullface(false, false);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    // Normal rescaling and sphere-mapped texture coordinates, on and off.
    dev.gl.EnableNormalize(true);
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    dev.gl.EnableNormalize(false);
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    dev.gl.EnableSphereMap(true);
    GLint gs = 0, gt = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &gs);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &gt);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(gs, GL_SPHERE_MAP);
    EXPECT_EQ(gt, GL_SPHERE_MAP);
    dev.gl.EnableSphereMap(false);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));

    // The frame read back as RGB, bottom row first: red all over from the
    // clear above, with the bottom-left pixel drawn green.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    std::vector<unsigned char> rgb(8 * 8 * 3, 7);
    ASSERT_TRUE(dev.gl.ReadPixels(8, 8, rgb.data()));
    EXPECT_EQ(std::vector<unsigned char>(rgb.begin(), rgb.begin() + 6), (std::vector<unsigned char>{0, 255, 0, 255, 0, 0}));
    EXPECT_EQ(rgb[8 * 8 * 3 - 3], 255);
    EXPECT_FALSE(dev.gl.ReadPixels(0, 8, rgb.data()));

    FXMatrix a, b, ab;
    a.SetRotateZ(30);
    b.SetMoveF(0.5f, -0.25f, 0);
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[k * 4 + row] * b.m[col * 4 + k];
            ab.m[col * 4 + row] = s;
        }
    dev.gl.ApplyMatrix(&a);
    dev.gl.MultiplyMatrix(&b);
    ExpectLoaded(ab);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(dev.gl.matrix.m[i], ab.m[i]);
}

TEST(FXGL, RenderMeshSendsWhatTheStateNeeds)
{
    GLDevice dev(8, 8);
    ASSERT_TRUE(dev.created);
    FXMaterial textured;
    FXPixmap px;
    ASSERT_TRUE(px.Realloc(2, 2));
    px.Clear(0xffffffffu);
    ASSERT_TRUE(dev.gl.FastPrepareTexture(&textured, &px));
    FXMesh mesh;
    MakeTriangle(&mesh);
    mesh.material = &textured;

    CountingLayer layer;
    dev.gl.EnableLights(false);
    dev.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.vertices, 3);
    EXPECT_EQ(counts.texcoords, 3);
    EXPECT_EQ(counts.normals, 0);
    EXPECT_EQ(counts.colours, 0);

    // Vertex colours of alpha 0 throughout leave every pixel as it is:
    // nothing is sent. One visible vertex is enough to send them all.
    layer.Reset();
    mesh.material = nullptr; // the default material has no texture
    mesh.colMode = 1;
    dev.gl.EnableLights(true);
    dev.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.vertices, 0);
    mesh.vertices[2].col[3] = 0.5f;
    dev.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.normals, 3);
    EXPECT_EQ(counts.colours, 3);
    EXPECT_EQ(counts.texcoords, 0);

    layer.Reset();
    mesh.colMode = 2;
    dev.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.begins, 1);
    EXPECT_EQ(counts.ends, 1);
    EXPECT_EQ(counts.vertices, 0);

    layer.Reset();
    mesh.colMode = 0;
    mesh.disabled = true;
    dev.gl.RenderMesh(&mesh);
    mesh.disabled = false;
    mesh.indexCount = 0;
    dev.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.begins, 0);

    // An index outside the mesh ends the batch instead of reading past it.
    layer.Reset();
    mesh.indexCount = 3;
    mesh.indices[1] = 7;
    dev.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.vertices, 1);
    EXPECT_EQ(counts.ends, 1);
    dev.gl.EnableLights(false);
}

TEST(FXGL, TwoLayerMeshNeedsMultitexturing)
{
    FXMesh mesh, second;
    MakeTriangle(&mesh);
    MakeTriangle(&second);
    mesh.secondLayer = &second;
    {
        GLDevice without(8, 8, true);
        ASSERT_TRUE(without.created);
        CountingLayer layer;
        without.gl.RenderMesh(&mesh);
        EXPECT_EQ(counts.begins, 0);
        EXPECT_EQ(counts.vertices, 0);
    }
    GLDevice with(8, 8);
    ASSERT_TRUE(with.created);
    CountingLayer layer;
    with.gl.RenderMesh(&mesh);
    EXPECT_EQ(counts.vertices, 3);
}

TEST(FXGL, DeskShowsAPngRightSideUp)
{
    ASSERT_TRUE(fxLoadDevil());
    // 300 x 200: red top left, green top right, blue bottom left, white
    // bottom right.
    std::vector<uint32_t> rgba(300 * 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            rgba[y * 300 + x] = y < 100 ? (x < 150 ? 0xff0000ffu : 0xff00ff00u) : (x < 150 ? 0xffff0000u : 0xffffffffu);
    std::string png = PngBytes(300, 200, rgba);
    std::string file = PackageFile("pck01", PackagePayload({{12, png, kFxTypePng}}));
    FXPackage pkg;
    ASSERT_TRUE(pkg.LoadFromMemory(file.data(), static_cast<long>(file.size())));

    {
        GLDevice dev(64, 64);
        ASSERT_TRUE(dev.created);
        FXMaterial m;
        ASSERT_TRUE(m.LoadTextureCN(&pkg, 12));
        EXPECT_FLOAT_EQ(m.texExtentU, 300.0f / 512);
        EXPECT_FLOAT_EQ(m.texExtentV, 200.0f / 256);
        FXDesk desk;
        ASSERT_TRUE(desk.Create(1, 1));
        desk.SetMaterial(&m);
        dev.gl.Clrscr(true, true, false);
        desk.OnRender(&dev.gl, 0);
        glFinish();
        EXPECT_EQ(dev.Pixel(2, 2), 0xff0000ffu);
        EXPECT_EQ(dev.Pixel(61, 2), 0xff00ff00u);
        EXPECT_EQ(dev.Pixel(2, 61), 0xffff0000u);
        EXPECT_EQ(dev.Pixel(61, 61), 0xffffffffu);
        EXPECT_EQ(dev.Pixel(16, 16), 0xff0000ffu);
        EXPECT_EQ(dev.Pixel(48, 48), 0xffffffffu);
    }
    fxUnloadDevil();
}

TEST(FXGL, MipmapLevelsAreGlusWithoutItsSecondCopyAndKeepTheirSize)
{
    GLDevice dev;
    ASSERT_TRUE(dev.created);
    ASSERT_NE(FXGL::glTexStorage2D, nullptr) << "llvmpipe offers ARB_texture_storage";
    // Square, wide (the last levels are one row), tall, and one column.
    const int sizes[][2] = {{64, 64}, {64, 8}, {4, 32}, {1, 16}};
    unsigned seed = 12345;
    for (const auto& size : sizes) {
        int w = size[0], h = size[1];
        FXCanvas canvas;
        FXPixmap& p = canvas.pixmap;
        ASSERT_TRUE(p.Realloc(w, h));
        for (int i = 0; i < w * h; ++i) {
            seed = seed * 1103515245u + 12345u;
            p.pixels[i] = seed ^ (seed >> 13);
        }
        GLuint glu = 0;
        glGenTextures(1, &glu);
        glBindTexture(GL_TEXTURE_2D, glu);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p.pixels), 0);
        FXMaterial first, second;
        ASSERT_TRUE(first.SetTexture(&canvas));
        ASSERT_TRUE(second.SetTexture(&canvas));
        ASSERT_TRUE(second.SetTexture(&canvas)) << "a second upload to an immutable texture";
        unsigned ours = first.texture, again = second.texture;
        for (int level = 0, lw = w, lh = h;; ++level) {
            std::vector<unsigned char> a(static_cast<size_t>(lw) * lh * 4), b(a.size()), c(a.size());
            glBindTexture(GL_TEXTURE_2D, glu);
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, a.data());
            glBindTexture(GL_TEXTURE_2D, ours);
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, b.data());
            glBindTexture(GL_TEXTURE_2D, again);
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, c.data());
            EXPECT_EQ(a, b) << w << " x " << h << ", level " << level;
            EXPECT_EQ(a, c) << w << " x " << h << ", level " << level << " after the second upload";
            if (lw == 1 && lh == 1)
                break;
            lw = lw > 1 ? lw / 2 : 1;
            lh = lh > 1 ? lh / 2 : 1;
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glDeleteTextures(1, &glu);
    }

    // Where the device takes any size, a side that is not a power of two
    // keeps its size: each level the floor of half the one above, an odd
    // side's last row or column left out, with immutable storage and without.
    ASSERT_TRUE(dev.gl.npotTextures);
    auto storage = FXGL::glTexStorage2D;
    for (int immutable = 1; immutable >= 0; --immutable) {
        FXGL::glTexStorage2D = immutable ? storage : nullptr;
        FXCanvas canvas;
        FXPixmap& p = canvas.pixmap;
        p.power2 = false;
        const int w = 7, h = 5;
        ASSERT_TRUE(p.Realloc(w, h));
        for (int i = 0; i < w * h; ++i) {
            seed = seed * 1103515245u + 12345u;
            p.pixels[i] = seed ^ (seed >> 13);
        }
        FXMaterial m;
        ASSERT_TRUE(m.SetTexture(&canvas));
        EXPECT_EQ(m.texExtentU, 1.0f);
        EXPECT_EQ(m.texExtentV, 1.0f);
        std::vector<unsigned char> want(reinterpret_cast<unsigned char*>(p.pixels),
                                        reinterpret_cast<unsigned char*>(p.pixels) + w * h * 4);
        glBindTexture(GL_TEXTURE_2D, m.texture);
        for (int level = 0, lw = w, lh = h;; ++level) {
            GLint tw = 0, th = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &tw);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &th);
            ASSERT_EQ(tw, lw) << "level " << level << (immutable ? "" : " without immutable storage");
            ASSERT_EQ(th, lh) << "level " << level;
            std::vector<unsigned char> got(want.size());
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
            EXPECT_EQ(got, want) << "level " << level << (immutable ? "" : " without immutable storage");
            if (lw == 1 && lh == 1)
                break;
            int nw = lw > 1 ? lw / 2 : 1, nh = lh > 1 ? lh / 2 : 1;
            std::vector<unsigned char> next(static_cast<size_t>(nw) * nh * 4);
            for (int y = 0; y < nh; ++y)
                for (int x = 0; x < nw; ++x)
                    for (int c = 0; c < 4; ++c) {
                        auto at = [&](int px, int py) { return want[(static_cast<size_t>(py) * lw + px) * 4 + c]; };
                        int v = lw > 1 && lh > 1 ? (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                                    at(2 * x + 1, 2 * y + 1) + 2) / 4
                                : lw > 1         ? (at(2 * x, 0) + at(2 * x + 1, 0)) / 2
                                                 : (at(0, 2 * y) + at(0, 2 * y + 1)) / 2;
                        next[(static_cast<size_t>(y) * nw + x) * 4 + c] = static_cast<unsigned char>(v);
                    }
            want.swap(next);
            lw = nw;
            lh = nh;
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    FXGL::glTexStorage2D = storage;
}

TEST(FXGL, AMovieFrameOfTheSameSizeRewritesItsTexture)
{
    GLDevice dev;
    ASSERT_TRUE(dev.created);
    FXMaterial m;
    auto frame = [](FXPixmap* p, int w, int h, uint32_t colour) {
        ASSERT_TRUE(p->Realloc(w, h));
        p->Clear(colour);
    };
    auto texel = [&m](int* w, int* h) {
        glBindTexture(GL_TEXTURE_2D, m.texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, h);
        std::vector<uint32_t> all(static_cast<size_t>(*w) * *h);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
        return all.back();
    };
    FXPixmap a, b, c;
    frame(&a, 16, 8, 0xff0000ffu);
    frame(&b, 16, 8, 0xff00ff00u);
    frame(&c, 32, 32, 0xffff0000u);
    int w = 0, h = 0;
    ASSERT_TRUE(dev.gl.FastPrepareTexture(&m, &a));
    unsigned name = m.texture;
    EXPECT_EQ(texel(&w, &h), 0xff0000ffu);
    ASSERT_TRUE(dev.gl.FastPrepareTexture(&m, &b));
    EXPECT_EQ(m.texture, name);
    EXPECT_EQ(texel(&w, &h), 0xff00ff00u) << "the same storage, written again";
    EXPECT_EQ(w, 16);
    ASSERT_TRUE(dev.gl.FastPrepareTexture(&m, &c));
    EXPECT_EQ(texel(&w, &h), 0xffff0000u);
    EXPECT_EQ(w, 32) << "another size makes new storage";
    EXPECT_EQ(h, 32);
    EXPECT_FLOAT_EQ(m.texExtentU, 1.0f);

    // A mipmapped (immutable) texture given a movie frame gets plain storage.
    FXCanvas canvas;
    frame(&canvas.pixmap, 8, 8, 0xff123456u);
    ASSERT_TRUE(m.SetTexture(&canvas));
    ASSERT_TRUE(dev.gl.FastPrepareTexture(&m, &b));
    EXPECT_EQ(texel(&w, &h), 0xff00ff00u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
