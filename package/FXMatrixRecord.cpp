// FXMatrix's reader of its package record. It lives here, with the package,
// because base/ knows nothing of packages.
#include "base/FXMatrix.h"
#include "package/FXPackageData.h"

#include <cstdint>
#include <cstring>

void FXMatrix::LoadC(FXPackage* pkg, FXPackageData* data)
{
    (void)pkg;
    const unsigned char* p = data ? static_cast<const unsigned char*>(data->ReadBlc(64)) : nullptr;
    if (!p) {
        SetIdentity();
        return;
    }
    for (int i = 0; i < 16; ++i) {
        uint32_t bits = static_cast<uint32_t>(p[i * 4]) | static_cast<uint32_t>(p[i * 4 + 1]) << 8 |
                        static_cast<uint32_t>(p[i * 4 + 2]) << 16 | static_cast<uint32_t>(p[i * 4 + 3]) << 24;
        std::memcpy(&m[i], &bits, 4);
    }
}
