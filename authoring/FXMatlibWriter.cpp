// The writing side of material libraries: the file form and the conversion
// of texture file references into package ids.
#include "render/FXMatlib.h"

#include "authoring/fxImport.h"
#include "base/fxPaths.h"
#include "base/fxStream.h"
#include "package/FXPackage.h"
#include "render/FXMaterial.h"

#include <cstdio>
#include <string>

bool FXMatlib::Compile(FXPackage* pkg)
{
    if (!pkg)
        return false;
    bool ok = true;
    for (int i = 0; i < materials.count; ++i) {
        FXMaterial* m = static_cast<FXMaterial*>(materials.items[i]);
        if (!m || m->textureRef.IsEmpty())
            continue;
        // References may come from files saved on Windows; an absolute one
        // stands as it is.
        std::string ref = fxSourceRef(m->textureRef.Get());
        m->textureRef.Set(fxSourceRefIsAbsolute(ref) ? ref.c_str() : fxCombinePaths(pkg->baseDir.Get(), ref.c_str()));
        ok = pkg->AddDataFile1(&m->textureRef) && ok;
    }
    return ok;
}

bool FXMatlib::Save(const char* path) const
{
    FILE* f = path ? std::fopen(path, "wb") : nullptr;
    if (!f)
        return false;
    bool ok = name.Save(f) && fxWriteInt32(f, materials.count);
    for (int i = 0; ok && i < materials.count; ++i) {
        const FXMaterial* m = static_cast<const FXMaterial*>(materials.items[i]);
        ok = m && m->Save(f);
    }
    return (std::fclose(f) == 0) && ok;
}

bool FXMatlib::Load(const char* path)
{
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f)
        return false;
    Destroy();
    int32_t n = 0;
    bool ok = name.Load(f) && fxReadCount(f, &n, 4);
    for (int i = 0; ok && i < n; ++i) {
        FXMaterial* m = new FXMaterial;
        ok = m->Load(f);
        materials.Push(m);
    }
    std::fclose(f);
    return ok;
}
