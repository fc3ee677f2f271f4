// The writing side of models: "xm02" and "xm03" records as FXModel::LoadCN
// reads them.
#include "geometry/FXModel.h"

#include "base/fxStream.h"
#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXVectorMap.h"

#include <memory>
#include <vector>

namespace {

std::vector<const FXMesh*> localWritten(const FXArray& list)
{
    std::vector<const FXMesh*> out;
    for (int i = 0; i < list.count; ++i) {
        const FXMesh* m = static_cast<const FXMesh*>(list.Get(i));
        if (m && !m->disabled)
            out.push_back(m);
    }
    return out;
}

bool localHead(FILE* f, const char* header, const FXModel* m, int count)
{
    return FXStr(header).Save(f) && m->name.Save(f) && m->matlibName.Save(f) && fxWriteInt32(f, count);
}

} // namespace

bool FXModel::Save_v02(FILE* f) const
{
    std::vector<const FXMesh*> list = localWritten(meshes);
    if (!f || !localHead(f, "xm02", this, static_cast<int>(list.size())))
        return false;
    for (const FXMesh* m : list)
        if (!m->SaveMesh(f))
            return false;
    return true;
}

bool FXModel::Save_v03(FILE* f) const
{
    std::vector<const FXMesh*> list = localWritten(meshes);
    if (!f)
        return false;
    // The table comes before the meshes in the record but is filled by them.
    FXVectorMap map;
    std::vector<std::unique_ptr<FXNumPool>> pools;
    std::vector<int> distinct(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        pools.push_back(std::make_unique<FXNumPool>());
        if (!list[i]->ToVMap(&map, pools[i].get(), nullptr, static_cast<int>(i), &distinct[i]))
            return false;
    }
    if (!localHead(f, "xm03", this, static_cast<int>(list.size())) || !map.Save(f))
        return false;
    for (size_t i = 0; i < list.size(); ++i)
        if (!list[i]->SaveMeshI(f, distinct[i]) || !pools[i]->Save(f))
            return false;
    return true;
}

bool FXModel::Save(const char* path, int version) const
{
    FILE* f = path ? std::fopen(path, "wb") : nullptr;
    if (!f)
        return false;
    bool ok = version == 2 ? Save_v02(f) : Save_v03(f);
    return std::fclose(f) == 0 && ok;
}
