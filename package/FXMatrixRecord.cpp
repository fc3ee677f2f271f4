// FXMatrix's reader of its package record. It lives here, with the package,
// because base/ knows nothing of packages.
#include "base/FXMatrix.h"
#include "base/fxEndian.h"
#include "package/FXPackageData.h"

void FXMatrix::LoadC(FXPackage* pkg, FXPackageData* data)
{
    (void)pkg;
    const unsigned char* p = data ? static_cast<const unsigned char*>(data->ReadBlc(64)) : nullptr;
    if (!p) {
        SetIdentity();
        return;
    }
    for (int i = 0; i < 16; ++i)
        m[i] = fxGetLEFloat(p + 4 * i);
}
