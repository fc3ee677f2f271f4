// lw_stripes: the longest run of alternating dark and bright bands in PNG
// frames, along any row or column. A smoothly shaded surface has a few
// turns of brightness per line; a comb of stripes has one turn per band.
//
//     lw_stripes STEP GAP FRAME.png...
//
// Along a line the brightness (0..255, the frame over black) turns when it
// has moved at least STEP back from its last extreme; a run is a sequence
// of turns each at most GAP pixels after the one before. Prints, per frame,
// "FILE RUN row|column INDEX PIXEL" for its longest run (the first such).
// Exits 1 when a frame cannot be read.
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Run {
    int length = 0, line = 0, at = 0;
};

// The longest run of turns along v; *at is where it begins.
int localLongestRun(const std::vector<int>& v, int step, int gap, int* at)
{
    int dir = 0, lo = v[0], hi = v[0], ext = v[0], extAt = 0;
    int best = 0, run = 0, last = 0, first = 0;
    for (int i = 1; i < static_cast<int>(v.size()); ++i) {
        int turnAt = -1;
        if (dir == 0) {
            lo = v[i] < lo ? v[i] : lo;
            hi = v[i] > hi ? v[i] : hi;
            if (v[i] - lo >= step || hi - v[i] >= step) {
                dir = v[i] - lo >= step ? 1 : -1;
                ext = v[i];
                extAt = i;
            }
            continue;
        }
        if ((dir > 0 && v[i] > ext) || (dir < 0 && v[i] < ext)) {
            ext = v[i];
            extAt = i;
        } else if ((dir > 0 ? ext - v[i] : v[i] - ext) >= step) {
            turnAt = extAt;
            dir = -dir;
            ext = v[i];
            extAt = i;
        }
        if (turnAt < 0)
            continue;
        if (run > 0 && turnAt - last <= gap) {
            ++run;
        } else {
            run = 1;
            first = turnAt;
        }
        last = turnAt;
        if (run > best) {
            best = run;
            *at = first;
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fputs("usage: lw_stripes STEP GAP FRAME.png...\n", stderr);
        return 2;
    }
    int step = std::atoi(argv[1]), gap = std::atoi(argv[2]);
    int status = 0;
    for (int k = 3; k < argc; ++k) {
        cairo_surface_t* s = cairo_image_surface_create_from_png(argv[k]);
        cairo_format_t format = cairo_image_surface_get_format(s);
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS ||
            (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)) {
            std::fprintf(stderr, "lw_stripes: cannot read %s\n", argv[k]);
            cairo_surface_destroy(s);
            status = 1;
            continue;
        }
        int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        int stride = cairo_image_surface_get_stride(s);
        const unsigned char* data = cairo_image_surface_get_data(s);
        // Premultiplied colour is the frame laid over black, with or without alpha.
        std::vector<int> luma(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t p = *reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride + 4 * x);
                int r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
                luma[static_cast<size_t>(y) * w + x] = (299 * r + 587 * g + 114 * b) / 1000;
            }
        cairo_surface_destroy(s);
        Run best;
        const char* kind = "row";
        std::vector<int> line;
        for (int pass = 0; pass < 2; ++pass) {
            int lines = pass == 0 ? h : w, length = pass == 0 ? w : h;
            for (int i = 0; i < lines; ++i) {
                line.resize(length);
                for (int j = 0; j < length; ++j)
                    line[j] = pass == 0 ? luma[static_cast<size_t>(i) * w + j] : luma[static_cast<size_t>(j) * w + i];
                int at = 0, n = localLongestRun(line, step, gap, &at);
                if (n > best.length) {
                    best = {n, i, at};
                    kind = pass == 0 ? "row" : "column";
                }
            }
        }
        std::printf("%s %d %s %d %d\n", argv[k], best.length, kind, best.line, best.at);
    }
    return status;
}
