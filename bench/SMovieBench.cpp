// Decoding and uploading one 512 x 512 movie frame (a JPEG picture and its
// JPEG mask, already in memory) on an offscreen EGL device: the work each
// retired frame costs the render thread.
#include "geometry/SMovie.h"
#include "platform/egl/FXEglWindow.h"
#include "device/FXGL.h"
#include "render/FXMaterial.h"
#include "render/fxDevil.h"
#include "device/fxGLHeaders.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A busy picture (gradients crossed by a fine pattern), so the JPEG is as
// costly to decode as a real frame rather than a flat block.
bool localWriteJpeg(const std::string& path, int size, int channels)
{
    std::vector<ILubyte> px(static_cast<size_t>(size) * size * channels);
    size_t at = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            for (int k = 0; k < channels; ++k)
                px[at++] = static_cast<ILubyte>((x * (k + 1) + y * (3 - k) + ((x ^ y) & 15) * 4) & 0xff);
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool ok = pilTexImage(static_cast<ILuint>(size), static_cast<ILuint>(size), 1, static_cast<ILubyte>(channels),
                          channels == 3 ? kIlRgb : kIlLuminance, kIlUnsignedByte, px.data()) != 0;
    pilEnable(kIlFileOverwrite);
    ok = ok && pilSaveImage(path.c_str()) != 0;
    pilDeleteImages(1, &image);
    return ok;
}

void BM_SMoviePrepareTextureMem512(benchmark::State& state)
{
    if (!fxLoadDevil()) {
        state.SkipWithError("the image library is not available");
        return;
    }
    char tmpl[] = "/tmp/lwmoviebenchXXXXXX";
    std::string dir = mkdtemp(tmpl) ? tmpl : "";
    std::string pict = dir + "/frame.jpg", mask = dir + "/mask.jpg";
    FXEglWindow window(64, 64);
    FXGL gl;
    if (dir.empty() || !localWriteJpeg(pict, 512, 3) || !localWriteJpeg(mask, 512, 1)) {
        state.SkipWithError("cannot write the frame");
    } else if (gl.CreateChild(&window), !gl.hglrc) {
        state.SkipWithError("no EGL device");
    } else {
        gl.SetAct(true);
        fxSetEnv(&gl);
        {
            SMovie movie;
            movie.packed = true;
            movie.pictureNames.Push(pict.c_str());
            movie.maskNames.Push(mask.c_str());
            FXMaterial material;
            if (!movie.LoadIntoMem() || !movie.PrepareTextureMem(0, &material))
                state.SkipWithError("the frame does not decode");
            for (auto _ : state) {
                if (!state.error_occurred()) {
                    movie.PrepareTextureMem(0, &material);
                    glFinish(); // the upload counts, not just its queueing
                }
            }
            material.Destroy();
        }
        fxSetEnv(nullptr);
        gl.SetAct(false);
    }
    gl.Destroy();
    fxUnloadDevil();
    std::error_code ec;
    if (!dir.empty())
        std::filesystem::remove_all(dir, ec);
}

} // namespace

BENCHMARK(BM_SMoviePrepareTextureMem512)->Unit(benchmark::kMillisecond);
