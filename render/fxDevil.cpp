#include "render/fxDevil.h"

#include "base/fxTrace.h"
#include "platform/fxSystem.h"

void* ilDLL = nullptr;
void* iluDLL = nullptr;

void(FX_ILAPI* pilInit)() = nullptr;
void(FX_ILAPI* pilShutDown)() = nullptr;
ILboolean(FX_ILAPI* pilEnable)(ILenum) = nullptr;
ILboolean(FX_ILAPI* pilDisable)(ILenum) = nullptr;
void(FX_ILAPI* pilSetInteger)(ILenum, ILint) = nullptr;
void(FX_ILAPI* pilGenImages)(ILsizei, ILuint*) = nullptr;
void(FX_ILAPI* pilDeleteImages)(ILsizei, const ILuint*) = nullptr;
void(FX_ILAPI* pilBindImage)(ILuint) = nullptr;
ILint(FX_ILAPI* pilGetInteger)(ILenum) = nullptr;
ILboolean(FX_ILAPI* pilLoadImage)(const char*) = nullptr;
ILboolean(FX_ILAPI* pilLoadL)(ILenum, const void*, ILuint) = nullptr;
ILboolean(FX_ILAPI* pilSaveImage)(const char*) = nullptr;
ILuint(FX_ILAPI* pilCloneCurImage)() = nullptr;
ILboolean(FX_ILAPI* pilConvertImage)(ILenum, ILenum) = nullptr;
ILuint(FX_ILAPI* pilCopyPixels)(ILuint, ILuint, ILuint, ILuint, ILuint, ILuint, ILenum, ILenum, void*) = nullptr;
void(FX_ILAPI* pilSetPixels)(ILint, ILint, ILint, ILuint, ILuint, ILuint, ILenum, ILenum, void*) = nullptr;
ILubyte*(FX_ILAPI* pilGetData)() = nullptr;
ILboolean(FX_ILAPI* piluScale)(ILuint, ILuint, ILuint) = nullptr;
void(FX_ILAPI* piluImageParameter)(ILenum, ILenum) = nullptr;
ILboolean(FX_ILAPI* pilTexImage)(ILuint, ILuint, ILuint, ILubyte, ILenum, ILenum, void*) = nullptr;

namespace {

#if defined(_WIN32)
const char* const kIlName = "DevIL";
const char* const kIluName = "ilu";
#else
const char* const kIlName = "libIL.so.1";
const char* const kIluName = "libILU.so.1";
#endif

struct Entry {
    void** slot;
    bool fromIlu;
    const char* name;
};

// The order in which the entry points are resolved; the first one missing
// ends the binding.
const Entry kEntries[] = {
    {reinterpret_cast<void**>(&pilInit), false, "ilInit"},
    {reinterpret_cast<void**>(&pilShutDown), false, "ilShutDown"},
    {reinterpret_cast<void**>(&pilEnable), false, "ilEnable"},
    {reinterpret_cast<void**>(&pilDisable), false, "ilDisable"},
    {reinterpret_cast<void**>(&pilSetInteger), false, "ilSetInteger"},
    {reinterpret_cast<void**>(&pilGenImages), false, "ilGenImages"},
    {reinterpret_cast<void**>(&pilDeleteImages), false, "ilDeleteImages"},
    {reinterpret_cast<void**>(&pilBindImage), false, "ilBindImage"},
    {reinterpret_cast<void**>(&pilGetInteger), false, "ilGetInteger"},
    {reinterpret_cast<void**>(&pilLoadImage), false, "ilLoadImage"},
    {reinterpret_cast<void**>(&pilLoadL), false, "ilLoadL"},
    {reinterpret_cast<void**>(&pilSaveImage), false, "ilSaveImage"},
    {reinterpret_cast<void**>(&pilCloneCurImage), false, "ilCloneCurImage"},
    {reinterpret_cast<void**>(&pilConvertImage), false, "ilConvertImage"},
    {reinterpret_cast<void**>(&pilCopyPixels), false, "ilCopyPixels"},
    {reinterpret_cast<void**>(&pilSetPixels), false, "ilSetPixels"},
    {reinterpret_cast<void**>(&pilGetData), false, "ilGetData"},
    {reinterpret_cast<void**>(&piluScale), true, "iluScale"},
    {reinterpret_cast<void**>(&piluImageParameter), true, "iluImageParameter"},
    {reinterpret_cast<void**>(&pilTexImage), false, "ilTexImage"},
};

// True while the entry points are the platform's own codec's.
bool localCodec = false;

void localClearEntries()
{
    for (const Entry& e : kEntries)
        *e.slot = nullptr;
}

void localUnbind()
{
    if (localCodec && pilShutDown)
        pilShutDown();
    localCodec = false;
    if (ilDLL) {
        if (pilShutDown)
            pilShutDown();
        fxSysFreeLibrary(ilDLL);
    }
    if (iluDLL)
        fxSysFreeLibrary(iluDLL);
    ilDLL = nullptr;
    iluDLL = nullptr;
    localClearEntries();
}

// The platform's codec behind the same entry points, where it has one.
bool localBindCodec()
{
    const char* name = fxSysImageCodecName();
    if (!name || !*name)
        return false;
    for (const Entry& e : kEntries) {
        *e.slot = fxSysImageCodecProc(e.name);
        if (!*e.slot) {
            err("%s cannot decode pictures\n", name);
            localClearEntries();
            return false;
        }
    }
    localCodec = true;
    trc("decoding pictures with %s\n", name);
    pilInit();
    return true;
}

} // namespace

bool fxLoadDevil()
{
    return fxLoadDevilFrom(kIlName, kIluName);
}

bool fxLoadDevilFrom(const char* ilName, const char* iluName)
{
    trc("loading devil\n");
    if (ilDLL || iluDLL || localCodec)
        localUnbind();
    bool ok = false;
    ilDLL = fxSysLoadLibrary(ilName);
    if (!ilDLL) {
        err("failed to load devil.dll\n");
    } else if (!(iluDLL = fxSysLoadLibrary(iluName))) {
        err("failed to load ilu.dll\n");
        fxSysFreeLibrary(ilDLL);
        ilDLL = nullptr;
    } else {
        ok = true;
        for (const Entry& e : kEntries) {
            *e.slot = fxSysGetProc(e.fromIlu ? iluDLL : ilDLL, e.name);
            if (!*e.slot) {
                ok = false;
                break;
            }
        }
    }
    if (ok) {
        trc("loading ok\n");
        pilInit();
        return true;
    }
    err("failed to load devil libraries\n");
    // The library was never initialised, so it is not shut down either.
    pilShutDown = nullptr;
    fxUnloadDevil();
    return localBindCodec();
}

void fxUnloadDevil()
{
    trc("unload devil\n");
    localUnbind();
}

bool fxDevilBound()
{
    return (localCodec || (ilDLL && iluDLL)) && pilTexImage;
}

const char* fxImageDecoderName()
{
    if (!fxDevilBound())
        return "";
    return localCodec ? fxSysImageCodecName() : "DevIL";
}

bool fxDevilSave(const char* path, int w, int h, int channels, const unsigned char* pixels)
{
    if (!path || !*path || !fxDevilBound() || w <= 0 || h <= 0 || !pixels)
        return false;
    ILenum format = channels == 4 ? kIlRgba : (channels == 3 ? kIlRgb : kIlLuminance);
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool ok = pilTexImage(static_cast<ILuint>(w), static_cast<ILuint>(h), 1, static_cast<ILubyte>(channels), format,
                          kIlUnsignedByte, const_cast<unsigned char*>(pixels)) != 0;
    if (ok) {
        pilEnable(kIlFileOverwrite);
        ok = pilSaveImage(path) != 0;
    }
    pilDeleteImages(1, &image);
    return ok;
}
