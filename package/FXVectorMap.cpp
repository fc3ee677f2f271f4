#include "package/FXVectorMap.h"

#include "package/FXPackageData.h"

namespace {

// A float table: count, then the floats, sized exactly to the count. A
// count that cannot fit in the bytes left is cut to what is there.
void localReadTable(FXPackageData* d, FXFloatArray* t)
{
    t->DestroyBuf();
    int n = d->ReadInt();
    if (n <= 0)
        return;
    if (n > d->remaining / 4)
        n = d->remaining / 4;
    if (t->Realloc(n) < n)
        return;
    for (int i = 0; i < n; ++i)
        t->items[i] = d->ReadFloat();
    t->count = n;
}

bool localGet(const FXFloatArray& t, int count, int dim, int i, float* out)
{
    if (i < 0 || i >= count || (i + 1) * dim > t.count) {
        for (int k = 0; k < dim; ++k)
            out[k] = 0.0f;
        return false;
    }
    for (int k = 0; k < dim; ++k)
        out[k] = t.items[i * dim + k];
    return true;
}

// One user table pair sized to n slots: first users -1, no lists.
void localSizeUsers(FXArray* first, FXArray* lists, int n)
{
    first->DestroyBuf();
    lists->DestroyBuf();
    if (n <= 0 || first->Realloc(n) < n || lists->Realloc(n) < n) {
        first->DestroyBuf();
        lists->DestroyBuf();
        return;
    }
    first->count = n;
    lists->count = n;
    for (int i = 0; i < n; ++i)
        first->items[i] = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
}

uint64_t localUseKey(int index, int vertex)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(index)) << 32) | static_cast<uint32_t>(vertex);
}

void localClearUsers(FXArray* first, FXArray* lists, std::unordered_set<uint64_t>* uses)
{
    uses->clear();
    for (int i = 0; i < lists->count; ++i) {
        delete static_cast<FXArray*>(lists->items[i]);
        lists->items[i] = nullptr;
    }
    for (int i = 0; i < first->count; ++i)
        first->items[i] = reinterpret_cast<void*>(static_cast<intptr_t>(-1));
}

void localPushUser(FXArray* first, FXArray* lists, std::unordered_set<uint64_t>* uses, int index, int vertex)
{
    if (index < 0 || index >= first->count || index >= lists->count)
        return;
    if (first->GetInt(index) == -1) {
        first->items[index] = reinterpret_cast<void*>(static_cast<intptr_t>(vertex));
        return;
    }
    FXArray* list = static_cast<FXArray*>(lists->items[index]);
    if (!list) {
        list = new FXArray;
        list->PushInt(first->GetInt(index));
        lists->items[index] = list;
        uses->insert(localUseKey(index, first->GetInt(index)));
    }
    uses->insert(localUseKey(index, vertex));
    // Doubled when full: a vector every vertex shares must not cost a copy
    // of its list per vertex.
    if (list->count == list->capacity && list->capacity < (1 << 29))
        list->Realloc(list->capacity * 2);
    list->PushInt(vertex);
}

bool localIsUser(const FXArray& first, const FXArray& lists, const std::unordered_set<uint64_t>& uses, int index,
                 int vertex)
{
    if (index < 0 || index >= first.count || index >= lists.count)
        return false;
    if (lists.items[index])
        return uses.count(localUseKey(index, vertex)) > 0;
    return first.GetInt(index) == vertex;
}

} // namespace

FXVectorMap::FXVectorMap()
    : positions(3000000), normals(3000000), texCoords(2000000), posCount(0), normCount(0), texCount(0)
{
}

void FXVectorMap::LoadC(FXPackage* pkg, FXPackageData* data)
{
    (void)pkg;
    Destroy();
    if (!data)
        return;
    localReadTable(data, &positions);
    localReadTable(data, &normals);
    localReadTable(data, &texCoords);
    posCount = positions.count / 3;
    normCount = normals.count / 3;
    texCount = texCoords.count / 2;
    SizeUsers();
}

void FXVectorMap::SizeUsers()
{
    ClearUsed();
    // One slot per stored float, as the record sizes them.
    localSizeUsers(&posUser, &posUsers, positions.count);
    localSizeUsers(&normUser, &normUsers, normals.count);
    localSizeUsers(&texUser, &texUsers, texCoords.count);
}

void FXVectorMap::Destroy()
{
    ClearUsed();
    FXArray* tables[] = {&posMesh, &posVertex, &normMesh, &normVertex, &texMesh, &texVertex,
                         &posUser, &normUser, &texUser, &posUsers, &normUsers, &texUsers};
    for (FXArray* t : tables)
        t->DestroyBuf();
    positions.DestroyBuf();
    normals.DestroyBuf();
    texCoords.DestroyBuf();
    posCount = normCount = texCount = 0;
}

bool FXVectorMap::GetVecPos(int i, float* out) const { return localGet(positions, posCount, 3, i, out); }
bool FXVectorMap::GetVecNorm(int i, float* out) const { return localGet(normals, normCount, 3, i, out); }
bool FXVectorMap::GetVecTex(int i, float* out) const { return localGet(texCoords, texCount, 2, i, out); }

void FXVectorMap::PushUsed(int pos, int norm, int tex, int vertex)
{
    localPushUser(&posUser, &posUsers, &posUses, pos < posCount ? pos : -1, vertex);
    localPushUser(&normUser, &normUsers, &normUses, norm < normCount ? norm : -1, vertex);
    localPushUser(&texUser, &texUsers, &texUses, tex < texCount ? tex : -1, vertex);
}

int FXVectorMap::GetUsed1(int candidate, int norm, int tex) const
{
    if (norm >= normCount || tex >= texCount)
        return -1;
    if (localIsUser(normUser, normUsers, normUses, norm, candidate) &&
        localIsUser(texUser, texUsers, texUses, tex, candidate))
        return candidate;
    return -1;
}

int FXVectorMap::GetUsed(int pos, int norm, int tex) const
{
    if (pos < 0 || pos >= posCount || pos >= posUser.count)
        return -1;
    const FXArray* list = static_cast<const FXArray*>(posUsers.items[pos]);
    if (list) {
        for (int i = 0; i < list->count; ++i)
            if (GetUsed1(list->GetInt(i), norm, tex) >= 0)
                return list->GetInt(i);
        return -1;
    }
    int first = posUser.GetInt(pos);
    return first == -1 ? -1 : GetUsed1(first, norm, tex);
}

void FXVectorMap::ClearUsed()
{
    localClearUsers(&posUser, &posUsers, &posUses);
    localClearUsers(&normUser, &normUsers, &normUses);
    localClearUsers(&texUser, &texUsers, &texUses);
}
