// FXRawPicture: a picture as a decoder gives it, before the engine's
// conversion: luminance, luminance with alpha, RGB, RGBA or colour indices
// into a palette, 8 or 16 bits a sample, rows in the decoder's order. The
// conversions reproduce DevIL's, so that a decoder that fills one gives the
// engine what DevIL gives.
#pragma once

#include <cstddef>
#include <vector>

class FXPixmap;

class FXRawPicture {
public:
    // The formats, by DevIL's numbers.
    enum Format {
        kIndexed = 0x1900,
        kRgb = 0x1907,
        kRgba = 0x1908,
        kGrey = 0x1909,
        kGreyAlpha = 0x190A,
    };

    int width = 0, height = 0;
    int format = kRgba;
    // Bytes a sample: 2 for a 16-bit picture whose samples hold v * 257 where
    // they come from an 8-bit decode; the high byte is what counts.
    int sample = 1;
    std::vector<unsigned char> data;    // width * height * BytesPerPixel()
    std::vector<unsigned char> palette; // 256 R, G, B, A entries for kIndexed

    static int Channels(int format);
    int BytesPerPixel() const { return Channels(format) * sample; }
    // True while data holds every pixel the size and format need.
    bool Sound() const;

    // Pixel i as R, G, B, A.
    void Pixel(size_t i, unsigned* rgba) const;
    // To 8-bit kRgb, kRgba, kGrey or kGreyAlpha; false (unchanged) for
    // another format or a picture that is not Sound().
    bool Convert(int to);
    void FlipRows();
    // 8-bit samples to 16 bits (v * 257), as DevIL holds a 16-bit PNG.
    void Widen();
    // Nearest-pixel scaling to w x h (ILU's default filter); false for a
    // size of 0, above 65535, or a picture that is not Sound().
    bool Scale(int w, int h);
    // The picture as 1, 3 or 4 channels into out (Realloc'ed to its size):
    // row r at the start of pixmap row r, in texture order, alpha 255 where
    // the channels have none and luminance in R, G and B. The padding is
    // not touched. False when the conversion or the allocation fails.
    bool ToPixmap(int channels, FXPixmap* out) const;
    // width x height pixels of 1 (grey), 3 (RGB) or 4 (RGBA) 8-bit samples
    // into out, Realloc'ed to that size, opaque where there is no alpha.
    static bool Pack(const unsigned char* p, int width, int height, int channels, FXPixmap* out);
};
