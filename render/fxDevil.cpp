#include "render/fxDevil.h"

#include "base/fxTrace.h"
#include "sys/fxSystem.h"
#include "render/FXDevilCodec.h"

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

FXDevilCodec localDevil;
// The codec in use: &localDevil, the platform's, one a test gave, or null.
PPictureCodec* localCodec = nullptr;

void localClearEntries()
{
    for (const Entry& e : kEntries)
        *e.slot = nullptr;
}

void localUnbind()
{
    localCodec = nullptr;
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

// The platform's codec, where it has one.
bool localBindCodec()
{
    PPictureCodec* codec = fxSysPictureCodec();
    if (!codec)
        return false;
    localCodec = codec;
    trc("decoding pictures with %s\n", codec->Name());
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
        localCodec = &localDevil;
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
    return localCodec != nullptr;
}

PPictureCodec* fxPictureCodec()
{
    return localCodec;
}

void fxUsePictureCodec(PPictureCodec* codec)
{
    localUnbind();
    localCodec = codec;
}

const char* fxImageDecoderName()
{
    return localCodec ? localCodec->Name() : "";
}

bool fxDevilSave(const char* path, int w, int h, int channels, const unsigned char* pixels)
{
    return localCodec && localCodec->Save(path, w, h, channels, pixels);
}
