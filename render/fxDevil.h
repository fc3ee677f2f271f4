// The picture codec of the process: DevIL, bound at run time by library and
// entry-point name and never linked, or where it cannot be loaded the
// platform's own codec when it has one (WIC on Windows), which gives the
// same pixels. The entry points below are DevIL's and only FXDevilCodec
// calls them; the engine decodes and saves through fxPictureCodec(). While
// nothing is bound that is null, and every decode or save returns false.
#pragma once

#include <cstddef>

class PPictureCodec;

#if defined(_WIN32)
#define FX_ILAPI __stdcall
#else
#define FX_ILAPI
#endif

typedef unsigned int ILuint;
typedef unsigned int ILenum;
typedef unsigned char ILboolean;
typedef int ILint;
typedef unsigned char ILubyte;
typedef std::size_t ILsizei; // the library's size_t: 64 bits on 64-bit targets

// The library's constants the engine uses.
enum {
    kIlImageWidth = 0x0DE4,
    kIlImageHeight = 0x0DE5,
    kIlImageSizeOfData = 0x0DE7,
    kIlImageBytesPerPixel = 0x0DE8,
    kIlImageFormat = 0x0DEA,
    kIlJpg = 0x0425,
    kIlRgb = 0x1907,
    kIlRgba = 0x1908,
    kIlLuminance = 0x1909,
    kIlUnsignedByte = 0x1401,
    kIlFileOverwrite = 0x0620,
    kIlJpgQuality = 0x0711,
};

extern void* ilDLL;
extern void* iluDLL;

extern void(FX_ILAPI* pilInit)();
extern void(FX_ILAPI* pilShutDown)();
extern ILboolean(FX_ILAPI* pilEnable)(ILenum mode);
extern ILboolean(FX_ILAPI* pilDisable)(ILenum mode);
extern void(FX_ILAPI* pilSetInteger)(ILenum mode, ILint param);
extern void(FX_ILAPI* pilGenImages)(ILsizei n, ILuint* images);
extern void(FX_ILAPI* pilDeleteImages)(ILsizei n, const ILuint* images);
extern void(FX_ILAPI* pilBindImage)(ILuint image);
extern ILint(FX_ILAPI* pilGetInteger)(ILenum mode);
extern ILboolean(FX_ILAPI* pilLoadImage)(const char* fileName);
extern ILboolean(FX_ILAPI* pilLoadL)(ILenum type, const void* lump, ILuint size);
extern ILboolean(FX_ILAPI* pilSaveImage)(const char* fileName);
extern ILuint(FX_ILAPI* pilCloneCurImage)();
extern ILboolean(FX_ILAPI* pilConvertImage)(ILenum format, ILenum type);
extern ILuint(FX_ILAPI* pilCopyPixels)(ILuint x, ILuint y, ILuint z, ILuint w, ILuint h, ILuint d, ILenum format,
                                       ILenum type, void* data);
extern void(FX_ILAPI* pilSetPixels)(ILint x, ILint y, ILint z, ILuint w, ILuint h, ILuint d, ILenum format,
                                    ILenum type, void* data);
extern ILubyte*(FX_ILAPI* pilGetData)();
extern ILboolean(FX_ILAPI* piluScale)(ILuint w, ILuint h, ILuint d);
extern void(FX_ILAPI* piluImageParameter)(ILenum name, ILenum param);
extern ILboolean(FX_ILAPI* pilTexImage)(ILuint w, ILuint h, ILuint d, ILubyte channels, ILenum format, ILenum type,
                                        void* data);

// Binds and initialises the library, else the platform's codec; false (and
// unbound) when neither can be had.
bool fxLoadDevil();
// The same binding from libraries of other names (a private install, tests).
bool fxLoadDevilFrom(const char* ilName, const char* iluName);
// Shuts the library down and unbinds it; harmless when not bound.
void fxUnloadDevil();
// True while a codec is bound.
bool fxDevilBound();
// The bound codec, null when none.
PPictureCodec* fxPictureCodec();
// Binds the given codec (not owned; null: none) in place of any other, for
// tests and fuzzing.
void fxUsePictureCodec(PPictureCodec* codec);
// What decodes pictures: "DevIL", the platform codec's name, or "" unbound.
const char* fxImageDecoderName();
// PPictureCodec::Save through the bound codec; false when none is bound.
bool fxDevilSave(const char* path, int w, int h, int channels, const unsigned char* pixels);
