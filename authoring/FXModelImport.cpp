// Building models from Wavefront OBJ files, and per-vertex normals from faces.
//
// One mesh per material ("usemtl"; faces before any get a mesh without a
// material name), one mesh vertex per distinct v/vt/vn corner. Polygons are
// split into fans. OBJ texture rows count from the bottom, the engine's from
// the top, so v is mirrored. A file without any "vn" gets face normals.
#include "geometry/FXMesh.h"
#include "geometry/FXModel.h"

#include "authoring/fxImport.h"
#include "base/fxStream.h"
#include "base/fxTrace.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct ObjMesh {
    std::string material;
    std::vector<tagFXVertex> vertices;
    std::vector<int> indices;
    std::map<std::tuple<int, int, int>, int> corners;
};

struct ObjData {
    std::vector<float> v, vt, vn; // 3, 2 and 3 floats per item
    std::vector<std::unique_ptr<ObjMesh>> meshes;
    ObjMesh* current = nullptr;
    std::string mtllib;
    int mtllibLine = 0;
};

int localFindCreateObjVertex(ObjData* d, ObjMesh* m, int v, int t, int n)
{
    auto key = std::make_tuple(v, t, n);
    auto it = m->corners.find(key);
    if (it != m->corners.end())
        return it->second;
    tagFXVertex x;
    std::memset(&x, 0, sizeof x);
    std::memcpy(x.pos, &d->v[3 * v], sizeof x.pos);
    if (t >= 0) {
        x.tex[0] = d->vt[2 * t];
        x.tex[1] = 1.0f - d->vt[2 * t + 1];
    }
    if (n >= 0)
        std::memcpy(x.norm, &d->vn[3 * n], sizeof x.norm);
    x.col[0] = x.col[1] = x.col[2] = x.col[3] = 1.0f;
    int index = static_cast<int>(m->vertices.size());
    m->vertices.push_back(x);
    m->corners.emplace(key, index);
    return index;
}

void localPushIndice(ObjMesh* m, int a, int b, int c)
{
    m->indices.push_back(a);
    m->indices.push_back(b);
    m->indices.push_back(c);
}

// An OBJ reference: 1-based, or negative counting back from the last item;
// -1 for an empty one, false outside the items read so far.
bool localRef(const char* s, size_t items, bool optional, int* out)
{
    if (*s == '\0') {
        *out = -1;
        return optional;
    }
    char* end = nullptr;
    long k = std::strtol(s, &end, 10);
    if (end == s || *end != '\0')
        return false;
    long i = k > 0 ? k - 1 : static_cast<long>(items) + k;
    if (k == 0 || i < 0 || i >= static_cast<long>(items))
        return false;
    *out = static_cast<int>(i);
    return true;
}

bool localCorner(ObjData* d, const std::string& word, int* out)
{
    std::string parts[3];
    size_t a = word.find('/');
    parts[0] = word.substr(0, a);
    if (a != std::string::npos) {
        size_t b = word.find('/', a + 1);
        parts[1] = word.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
        if (b != std::string::npos)
            parts[2] = word.substr(b + 1);
    }
    int v, t, n;
    if (!localRef(parts[0].c_str(), d->v.size() / 3, false, &v) ||
        !localRef(parts[1].c_str(), d->vt.size() / 2, true, &t) ||
        !localRef(parts[2].c_str(), d->vn.size() / 3, true, &n))
        return false;
    *out = localFindCreateObjVertex(d, d->current, v, t, n);
    return true;
}

ObjMesh* localUseMaterial(ObjData* d, const std::string& name)
{
    for (auto& m : d->meshes)
        if (m->material == name)
            return m.get();
    d->meshes.push_back(std::make_unique<ObjMesh>());
    d->meshes.back()->material = name;
    return d->meshes.back().get();
}

bool localFloats(const char* s, int n, std::vector<float>* out)
{
    for (int i = 0; i < n; ++i) {
        char* end = nullptr;
        float f = std::strtof(s, &end);
        if (end == s || !std::isfinite(f))
            return false;
        out->push_back(f);
        s = end;
    }
    return true;
}

std::string localRest(const char* s)
{
    while (*s == ' ' || *s == '\t')
        ++s;
    std::string r(s);
    while (!r.empty() && (r.back() == ' ' || r.back() == '\t' || r.back() == '\r' || r.back() == '\n'))
        r.pop_back();
    return r;
}

// One line; false names a fault the caller reports with the line number.
bool localImportLine(ObjData* d, char* line, int number, const char** why)
{
    char* s = line;
    while (*s == ' ' || *s == '\t')
        ++s;
    std::string key;
    while (*s && *s != ' ' && *s != '\t' && *s != '\r' && *s != '\n')
        key += *s++;
    if (key.empty() || key[0] == '#')
        return true;
    if (key == "v" || key == "vn") {
        *why = "expected three numbers";
        return localFloats(s, 3, key == "v" ? &d->v : &d->vn);
    }
    if (key == "vt") {
        // A third (w) coordinate may follow and is ignored.
        *why = "expected two numbers";
        return localFloats(s, 2, &d->vt);
    }
    if (key == "usemtl") {
        d->current = localUseMaterial(d, localRest(s));
        return true;
    }
    if (key == "mtllib") {
        d->mtllib = fxSourceRef(localRest(s));
        d->mtllibLine = number;
        return true;
    }
    if (key != "f")
        return true; // groups, objects, smoothing and the like carry nothing the engine keeps
    if (!d->current)
        d->current = localUseMaterial(d, "");
    std::vector<int> corners;
    const char* p = s;
    while (*p) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;
        std::string word;
        while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            word += *p++;
        if (word.empty())
            break;
        int k;
        if (!localCorner(d, word, &k)) {
            *why = "a face refers to a vertex that does not exist";
            return false;
        }
        corners.push_back(k);
    }
    if (corners.size() < 3) {
        *why = "a face needs three corners";
        return false;
    }
    for (size_t i = 1; i + 1 < corners.size(); ++i)
        localPushIndice(d->current, corners[0], corners[i], corners[i + 1]);
    return true;
}

bool localImportObj(const std::string& text, const char* path, ObjData* d, std::string* why)
{
    size_t at = 0;
    int number = 0;
    // One line onto `line`, without its CR LF or LF; false at the last.
    auto next = [&text, &at](std::string* line) {
        size_t end = text.find('\n', at);
        line->append(text, at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line->empty() && line->back() == '\r')
            line->pop_back();
        return end != std::string::npos;
    };
    while (at < text.size()) {
        std::string line;
        bool more = next(&line);
        ++number;
        int first = number;
        // Continuation lines end in a backslash.
        while (!line.empty() && line.back() == '\\' && more) {
            line.pop_back();
            more = next(&line);
            ++number;
        }
        const char* reason = "";
        std::vector<char> buf(line.begin(), line.end());
        buf.push_back('\0');
        if (!localImportLine(d, buf.data(), first, &reason)) {
            fxImportFail(why, "ImportObj", "%s:%d: %s", path, number, reason);
            return false;
        }
    }
    return true;
}

} // namespace

void FXMesh::ComputeNormals()
{
    for (int i = 0; i < vertexCount; ++i)
        vertices[i].normSum[0] = vertices[i].normSum[1] = vertices[i].normSum[2] = 0;
    for (int i = 0; i + 2 < indexCount; i += 3) {
        int k[3] = {indices[i], indices[i + 1], indices[i + 2]};
        if (k[0] < 0 || k[1] < 0 || k[2] < 0 || k[0] >= vertexCount || k[1] >= vertexCount || k[2] >= vertexCount)
            continue;
        const float* a = vertices[k[0]].pos;
        const float* b = vertices[k[1]].pos;
        const float* c = vertices[k[2]].pos;
        float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        for (int j : k)
            for (int x = 0; x < 3; ++x)
                vertices[j].normSum[x] += n[x];
    }
    Normalize(false);
}

bool FXModel::ImportObj(const char* path, std::string* why)
{
    return fxImportObj(this, path, why, nullptr);
}

bool fxImportObj(FXModel* model, const char* path, std::string* why, FXStrArray* warnings)
{
    if (!model)
        return false;
    model->Destroy();
    std::string text;
    if (!fxReadSourceText(path, &text, why))
        return false;
    ObjData d;
    if (!localImportObj(text, path, &d, why))
        return false;

    if (!d.mtllib.empty()) {
        std::string mtl = fxSourceSibling(path, d.mtllib);
        errno = 0;
        FILE* probe = fxOpenFile(mtl.c_str(), "rb");
        if (!probe) {
            char note[1024];
            std::snprintf(note, sizeof note, "%s:%d: warning: material library %s: %s; its materials get the default",
                          path, d.mtllibLine, d.mtllib.c_str(), errno ? std::strerror(errno) : "cannot be read");
            if (warnings)
                warnings->Push(note);
            else
                trc("ImportObj: %s\n", note);
        } else {
            std::fclose(probe);
            FXMatlib* lib = new FXMatlib;
            if (!fxImportMtl(lib, mtl.c_str(), why)) {
                delete lib;
                err("ImportObj: %s: its material library cannot be read\n", path);
                return false;
            }
            model->matlib = lib;
            model->matlibName = mtl.c_str();
        }
    }
    model->name = path;
    for (auto& om : d.meshes) {
        if (om->indices.empty())
            continue;
        FXMesh* m = new FXMesh;
        if (!m->Realloc(static_cast<int>(om->vertices.size()), static_cast<int>(om->indices.size()))) {
            fxImportFail(why, "ImportObj", "%s: the mesh of material \"%s\" is too large", path, om->material.c_str());
            delete m;
            model->Destroy();
            return false;
        }
        std::memcpy(m->vertices, om->vertices.data(), om->vertices.size() * sizeof(tagFXVertex));
        std::memcpy(m->indices, om->indices.data(), om->indices.size() * sizeof(int));
        m->matName = om->material.c_str();
        FXMatlib* lib = model->matlib;
        m->material = lib && !om->material.empty() ? lib->FindMaterial(om->material.c_str()) : nullptr;
        m->transpMode = m->material && !m->material->IsSolid() ? 1 : 0;
        m->loaded_u = m->loaded_v = 1;
        if (d.vn.empty())
            m->ComputeNormals();
        model->loadedMeshes.Push(m);
    }
    model->UpdateMeshes();
    // As after every load, the working coordinates are made for the extents
    // of their material's texture, and say so: a writer records a mesh's
    // material extents with its coordinates.
    model->ResizeTextCoords();
    for (int i = 0; i < model->meshes.count; ++i) {
        FXMesh* m = static_cast<FXMesh*>(model->meshes.Get(i));
        if (m && m->material) {
            m->loaded_u = m->material->texExtentU;
            m->loaded_v = m->material->texExtentV;
        }
    }
    return true;
}
