// Mesh drawing: indexed triangles in immediate mode, each vertex sent with
// exactly the attributes the device state needs. The choice of attributes is
// made once per mesh by picking one of the specialised loops below.
#include "geometry/FXMesh.h"
#include "device/FXGL.h"
#include "device/fxGLHeaders.h"

#include <algorithm>
#include <cmath>

namespace {

typedef void (*RawLoop)(const FXMesh* mesh, const FXMesh* layer);

// An index outside the mesh (or outside the layer) ends the batch: nothing
// past either vertex array is ever read.
template <bool Col, bool Norm, bool Tex, bool Layer>
void localLoop(const FXMesh* mesh, const FXMesh* layer)
{
    const tagFXVertex* v = mesh->vertices;
    const int* index = mesh->indices;
    unsigned limit = static_cast<unsigned>(mesh->vertexCount);
    if (Layer && static_cast<unsigned>(layer->vertexCount) < limit)
        limit = static_cast<unsigned>(layer->vertexCount);
    fxgl.Begin(GL_TRIANGLES);
    for (int i = 0; i < mesh->indexCount; ++i) {
        unsigned k = static_cast<unsigned>(index[i]);
        if (k >= limit)
            break;
        const tagFXVertex& x = v[k];
        if (Col)
            fxgl.Color4fv(x.col);
        if (Norm)
            fxgl.Normal3fv(x.norm);
        if (Tex) {
            fxgl.TexCoord2fv(x.tex);
            if (Layer)
                FXGL::glMultiTexCoord2fv(GL_TEXTURE1, layer->vertices[k].tex);
        }
        fxgl.Vertex3fv(x.pos);
    }
    fxgl.End();
}

template <bool Layer>
struct LoopTable {
    static constexpr RawLoop loops[8] = {
        localLoop<false, false, false, Layer>, localLoop<false, false, true, Layer>,
        localLoop<false, true, false, Layer>,  localLoop<false, true, true, Layer>,
        localLoop<true, false, false, Layer>,  localLoop<true, false, true, Layer>,
        localLoop<true, true, false, Layer>,   localLoop<true, true, true, Layer>,
    };
};

template <bool Layer>
constexpr RawLoop LoopTable<Layer>::loops[8];

int localLoopIndex(const FXGL* gl, const FXMesh* mesh)
{
    return (mesh->colMode == 1 ? 4 : 0) | (gl->lightingOn ? 2 : 0) | (gl->textureOn ? 1 : 0);
}

// A colour mode other than 0 and 1 opens and closes an empty batch.
bool localDrawsVertices(const FXMesh* mesh)
{
    return mesh->colMode == 0 || mesh->colMode == 1;
}

void localRawRender(FXGL* gl, FXMesh* mesh)
{
    if (!localDrawsVertices(mesh)) {
        fxgl.Begin(GL_TRIANGLES);
        fxgl.End();
        return;
    }
    LoopTable<false>::loops[localLoopIndex(gl, mesh)](mesh, nullptr);
}

void localRawRender2(FXGL* gl, FXMesh* mesh, FXMesh* layer)
{
    if (!localDrawsVertices(mesh) || !layer->vertices) {
        fxgl.Begin(GL_TRIANGLES);
        fxgl.End();
        return;
    }
    LoopTable<true>::loops[localLoopIndex(gl, mesh)](mesh, layer);
}

// True when every fragment of the mesh comes out with alpha 1: blending it
// then gives the source colour and the alpha test passes it, so both can be
// off without changing a pixel, and the rasteriser neither reads the colour
// buffer nor tests. Lit or not, a colour-mode-0 mesh takes its alpha from
// the material (the diffuse alpha when lit, white otherwise) times the
// texture's.
bool localOpaque(const FXGL* gl, const FXMesh* mesh, const FXMaterial* m)
{
    if (mesh->colMode != 0 || mesh->secondLayer || gl->testingMaterial)
        return false; // a testing material leaves GL's material as it was
    if (gl->lightingOn && !(m && m->diffuse[3] >= 1.0f))
        return false;
    return !gl->textureOn || (m && m->opaque);
}

// A colour-mode-1 mesh whose every vertex has alpha 0 gives every fragment
// alpha 0 (the texture only multiplies it, and lit it is the diffuse alpha
// the vertex colour sets), which the alpha test drops.
bool localAllClear(const FXMesh* mesh)
{
    if (mesh->colMode != 1 || mesh->secondLayer)
        return false;
    for (int i = 0; i < mesh->vertexCount; ++i)
        if (mesh->vertices[i].col[3] != 0.0f)
            return false;
    return true;
}

enum localCover { kCoverNone, kCoverPart, kCoverAll };

// The window pixels (x, y, width, height, rows bottom-up) that box in the
// z = 0 plane of the model matrix covers, a pixel wider each way for the
// rasteriser's rounding; the projection is the device's fixed -1..+1 one.
localCover localWindowBox(const FXMatrix& m, int width, int height, const float* box, int* out)
{
    if (box[2] == box[0] || box[1] == box[3])
        return kCoverNone; // no area
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (int k = 0; k < 4; ++k) {
        float x = box[k == 1 || k == 2 ? 2 : 0], y = box[k < 2 ? 1 : 3];
        float cx = m.m[0] * x + m.m[4] * y + m.m[12], cy = m.m[1] * x + m.m[5] * y + m.m[13];
        float w = m.m[3] * x + m.m[7] * y + m.m[15];
        if (!(w > 0) || !std::isfinite(cx / w) || !std::isfinite(cy / w))
            return kCoverAll;
        float wx = (cx / w + 1) * 0.5f * static_cast<float>(width), wy = (cy / w + 1) * 0.5f * static_cast<float>(height);
        if (k == 0 || wx < x0)
            x0 = wx;
        if (k == 0 || wx > x1)
            x1 = wx;
        if (k == 0 || wy < y0)
            y0 = wy;
        if (k == 0 || wy > y1)
            y1 = wy;
    }
    // Far outside the window the float pixel numbers would not fit an int.
    float big = 4.0f * static_cast<float>(width > height ? width : height) + 16;
    int l = static_cast<int>(std::floor(std::max(x0, -big))) - 1, r = static_cast<int>(std::ceil(std::min(x1, big))) + 1;
    int b = static_cast<int>(std::floor(std::max(y0, -big))) - 1, t = static_cast<int>(std::ceil(std::min(y1, big))) + 1;
    l = std::max(l, 0);
    b = std::max(b, 0);
    r = std::min(r, width);
    t = std::min(t, height);
    if (l >= r || b >= t)
        return kCoverNone;
    if (l == 0 && b == 0 && r == width && t == height)
        return kCoverAll;
    out[0] = l;
    out[1] = b;
    out[2] = r - l;
    out[3] = t - b;
    return kCoverPart;
}

} // namespace

void FXGL::RenderMeshIn(FXMesh* mesh, const float* box)
{
    int rect[4];
    localCover cover = HasContext() && box ? localWindowBox(matrix, width, height, box, rect) : kCoverAll;
    if (cover == kCoverNone)
        return;
    if (cover == kCoverAll) {
        RenderMesh(mesh);
        return;
    }
    glScissor(rect[0], rect[1], rect[2], rect[3]);
    glEnable(GL_SCISSOR_TEST);
    RenderMesh(mesh);
    glDisable(GL_SCISSOR_TEST);
}

void FXGL::RenderMesh(FXMesh* mesh)
{
    if (!HasContext() || !mesh || mesh->disabled || mesh->vertexCount <= 0 || mesh->indexCount <= 0 ||
        !mesh->vertices || !mesh->indices || localAllClear(mesh))
        return;
    if (mesh->colMode == 0) {
        glColor4f(1, 1, 1, 1);
        glDisable(GL_COLOR_MATERIAL);
    } else if (mesh->colMode == 1) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glColor4f(1, 1, 1, 1);
    }
    if (mesh->material)
        ApplyMaterial(mesh->material);
    else
        ApplyDefaultMaterial();
    if (!mesh->secondLayer) {
        ApplyMaterial2(nullptr);
        bool opaque = localOpaque(this, mesh, mesh->material ? mesh->material : &defaultMaterial);
        if (opaque) {
            glDisable(GL_BLEND);
            glDisable(GL_ALPHA_TEST);
        }
        localRawRender(this, mesh);
        if (opaque) {
            glEnable(GL_BLEND);
            glEnable(GL_ALPHA_TEST);
        }
        return;
    }
    if (extMultitexture && glMultiTexCoord2fv) {
        ApplyMaterial2(mesh->secondLayer->material);
        localRawRender2(this, mesh, mesh->secondLayer);
    }
}
