// Mesh drawing: indexed triangles in immediate mode, each vertex sent with
// exactly the attributes the device state needs. The choice of attributes is
// made once per mesh by picking one of the specialised loops below.
#include "geometry/FXMesh.h"
#include "device/FXGL.h"
#include "device/fxGLHeaders.h"

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

} // namespace

void FXGL::RenderMesh(FXMesh* mesh)
{
    if (!HasContext() || !mesh || mesh->disabled || mesh->vertexCount <= 0 || mesh->indexCount <= 0 ||
        !mesh->vertices || !mesh->indices)
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
