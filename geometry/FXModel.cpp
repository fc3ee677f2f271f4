#include "geometry/FXModel.h"

#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "render/FXMatlib.h"
#include "render/PEnv.h"

namespace {

FXMesh* localMesh(const FXArray& list, int i)
{
    return static_cast<FXMesh*>(list.Get(i));
}

void localDeleteMeshGroup(FXArray* list)
{
    if (list)
        fxDeleteItems<FXMesh>(list);
}

void localCopyMeshGroup(FXArray* dst, FXArray* src)
{
    if (!dst || !src)
        return;
    localDeleteMeshGroup(dst);
    for (int i = 0; i < src->count; ++i) {
        FXMesh* from = localMesh(*src, i);
        FXMesh* to = nullptr;
        if (from) {
            to = new FXMesh;
            to->Copy(from);
        }
        dst->Push(to);
    }
}

// A count beyond the records the entry holds stops at the first record that
// reads nothing.
void localLoadArrayC(FXPackage* pkg, FXPackageData* data, FXArray* list, FXMatlib* lib)
{
    int n = data->ReadInt();
    for (int i = 0; i < n && data->remaining > 0; ++i) {
        int before = data->remaining;
        FXMesh* m = new FXMesh;
        m->LoadMeshC(pkg, data, lib);
        if (data->remaining == before) {
            delete m;
            break;
        }
        list->Push(m);
    }
}

FXMatlib* localLoadMatlib(FXPackage* pkg, const FXStr& name)
{
    // An empty name still gives a library (empty, shared under that name)
    // whose parent resolves the environment's materials.
    return fxglobalEnv ? fxglobalEnv->LoadMatlibC(pkg, name.Get()) : nullptr;
}

void localDraw(PEnv* env, const FXArray& list, int mode, bool reverse)
{
    for (int k = 0; k < list.count; ++k) {
        FXMesh* m = localMesh(list, reverse ? list.count - 1 - k : k);
        if (m && m->transpMode == mode)
            env->RenderMesh(m);
    }
}

} // namespace

bool FXModel::LoadCN(FXPackage* pkg, int id)
{
    Destroy();
    FXPackageData* data = pkg ? pkg->GetDataPtr(id) : nullptr;
    if (!data)
        return false;
    FXStr header;
    data->ReadString(&header);
    if (header.Compare("xm02"))
        Load_v02CN(pkg, data);
    else if (header.Compare("xm03"))
        Load_v03CN(pkg, data);
    return true;
}

void FXModel::Load_v02CN(FXPackage* pkg, FXPackageData* data)
{
    data->ReadString(&name);
    data->ReadString(&matlibName);
    matlib = localLoadMatlib(pkg, matlibName);
    localLoadArrayC(pkg, data, &loadedMeshes, matlib);
}

void FXModel::Load_v03CN(FXPackage* pkg, FXPackageData* data)
{
    data->ReadString(&name);
    data->ReadString(&matlibName);
    matlib = localLoadMatlib(pkg, matlibName);
    int n = data->ReadInt();
    FXVectorMap map;
    map.LoadC(pkg, data);
    FXNumPool pool;
    for (int i = 0; i < n && data->remaining > 0; ++i) {
        int before = data->remaining;
        FXMesh* m = new FXMesh;
        m->LoadMeshIC(pkg, data, matlib);
        pool.LoadC(pkg, data);
        if (data->remaining == before) {
            delete m;
            break;
        }
        m->FromVMap(&map, &pool);
        loadedMeshes.Push(m);
    }
}

void FXModel::Destroy()
{
    name.Clear();
    matlibName.Clear();
    flipTexV = false;
    if (matlib)
        matlib->Release();
    matlib = nullptr;
    localDeleteMeshGroup(&loadedMeshes);
    localDeleteMeshGroup(&meshes);
}

void FXModel::UpdateMeshes()
{
    localCopyMeshGroup(&meshes, &loadedMeshes);
}

void FXModel::Copy(FXModel* src)
{
    Destroy();
    if (!src || src == this)
        return;
    flipTexV = src->flipTexV;
    matlibName = src->matlibName;
    matlib = src->matlib;
    if (matlib)
        ++matlib->refCount;
    localCopyMeshGroup(&meshes, &src->meshes);
}

int FXModel::GetTotalVertices() const
{
    int total = 0;
    for (int i = 0; i < meshes.count; ++i)
        if (FXMesh* m = localMesh(meshes, i))
            total += m->vertexCount;
    return total;
}

void FXModel::Normalize(bool markedOnly)
{
    for (int i = 0; i < meshes.count; ++i)
        if (FXMesh* m = localMesh(meshes, i))
            m->Normalize(markedOnly);
}

void FXModel::ResizeTextCoords()
{
    for (int i = 0; i < meshes.count; ++i)
        if (FXMesh* m = localMesh(meshes, i)) {
            m->flipTexV = flipTexV;
            m->ResizeTexCoords();
        }
}

void FXModel::ResizeTextCoords1()
{
    for (int i = 0; i < meshes.count; ++i)
        if (FXMesh* m = localMesh(meshes, i)) {
            m->flipTexV = flipTexV;
            m->ResizeTexCoords1();
        }
}

void FXModel::ComputeFrontTexCoords(int mesh)
{
    for (int i = 0; i < meshes.count; ++i)
        if (mesh == -1 || mesh == i)
            if (FXMesh* m = localMesh(meshes, i))
                m->ComputeFrontTexCoords();
}

void FXModel::CopyTexCoords(int mesh, FXModel* src)
{
    if (!src || src->meshes.count != meshes.count)
        return;
    for (int i = 0; i < meshes.count; ++i) {
        if (mesh != -1 && mesh != i)
            continue;
        FXMesh* to = localMesh(meshes, i);
        FXMesh* from = localMesh(src->meshes, i);
        if (to && from)
            to->CopyTexCoords(from);
    }
}

void FXModel::FindMaxims(float* box) const
{
    bool first = true;
    for (int i = 0; i < meshes.count; ++i)
        if (FXMesh* m = localMesh(meshes, i))
            m->FindMultiMaxims(&first, box);
}

void FXModel::UnitizeMaximsStretch1(const float* box)
{
    for (int i = 0; i < meshes.count; ++i)
        if (FXMesh* m = localMesh(meshes, i))
            m->UnitizeMaximsStretch1(box);
}

void FXModel::OnRender(PEnv* env, double)
{
    if (!env)
        return;
    localDraw(env, meshes, 0, false);
    env->EnableCullface(true, false);
    localDraw(env, meshes, 1, true);
    env->EnableCullface(false, true);
    localDraw(env, meshes, 1, false);
    env->EnableCullface(false, false);
    env->EnableDepthWrite(false);
    localDraw(env, meshes, 2, false);
    env->EnableDepthWrite(true);
    localDraw(env, meshes, 2, false);
}
