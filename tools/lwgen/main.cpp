// lwgen: draws the sources of the default show package (pictures, OBJ key
// frames, movie frames) into a folder, with the manifest that `lwpack build`
// turns into lwhirl.dat. Everything is computed from fixed seeds, so the
// same program makes the same files.
//
//     lwgen OUTDIR
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const double kPi = 3.14159265358979323846;

// A small deterministic generator (the same numbers on every platform).
class LocalRandom {
public:
    explicit LocalRandom(uint32_t seed) : state(seed) {}
    double Next()
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }

private:
    uint32_t state;
};

struct Picture {
    cairo_surface_t* surface;
    cairo_t* cr;
    Picture(int w, int h)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface))
    {
    }
    ~Picture()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    bool Save(const fs::path& p) { return cairo_surface_write_to_png(surface, p.string().c_str()) == CAIRO_STATUS_SUCCESS; }
};

// A soft dot of light: full colour at the centre fading to nothing at r.
void localGlow(cairo_t* cr, double x, double y, double r, double red, double green, double blue, double a)
{
    cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
    cairo_pattern_add_color_stop_rgba(p, 0.0, red, green, blue, a);
    cairo_pattern_add_color_stop_rgba(p, 0.35, red, green, blue, a * 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1.0, red, green, blue, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void localText(cairo_t* cr, const char* text, double x, double y, double size, bool bold)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text);
}

// Hue 0..1 to a bright colour.
void localHue(double h, double* r, double* g, double* b)
{
    h = h - std::floor(h);
    *r = 0.5 + 0.5 * std::cos(2 * kPi * h);
    *g = 0.5 + 0.5 * std::cos(2 * kPi * (h - 1.0 / 3));
    *b = 0.5 + 0.5 * std::cos(2 * kPi * (h - 2.0 / 3));
}

bool localNotice(const fs::path& dir)
{
    const char* text = "Lumenwhirl: this graphics driver has no multitexturing (ARB_multitexture); "
                       "the show runs without it.";
    Picture probe(8, 8);
    cairo_select_font_face(probe.cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(probe.cr, 15);
    cairo_text_extents_t ext;
    cairo_text_extents(probe.cr, text, &ext);
    int w = static_cast<int>(std::ceil(ext.x_advance)) + 20;
    Picture p(w, 28);
    cairo_set_source_rgba(p.cr, 0.55, 0.05, 0.05, 1);
    cairo_paint(p.cr);
    cairo_set_source_rgba(p.cr, 1, 1, 1, 1);
    localText(p.cr, text, 10, 19, 15, true);
    return p.Save(dir / "error_message.png");
}

bool localPreview(const fs::path& dir)
{
    Picture p(256, 192);
    cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, 192);
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.02, 0.02, 0.10);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.10, 0.02, 0.12);
    cairo_set_source(p.cr, bg);
    cairo_paint(p.cr);
    cairo_pattern_destroy(bg);
    cairo_set_operator(p.cr, CAIRO_OPERATOR_ADD);
    for (int i = 0; i < 90; ++i) {
        double a = i * 0.35, r = 6 + i * 0.9, red, green, blue;
        localHue(i / 90.0, &red, &green, &blue);
        localGlow(p.cr, 128 + r * std::cos(a), 88 + r * 0.8 * std::sin(a), 10, red, green, blue, 0.8);
    }
    cairo_set_operator(p.cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_rgba(p.cr, 1, 1, 1, 0.9);
    localText(p.cr, "Lumenwhirl", 62, 178, 26, true);
    return p.Save(dir / "preview.png");
}

bool localLabel(const fs::path& dir)
{
    Picture p(256, 64);
    cairo_set_source_rgba(p.cr, 0.05, 0.05, 0.15, 0.6);
    cairo_paint(p.cr);
    cairo_set_source_rgba(p.cr, 1, 0.85, 0.45, 1);
    localText(p.cr, "Lumenwhirl", 28, 44, 34, true);
    return p.Save(dir / "label.png");
}

bool localCube(const fs::path& dir)
{
    Picture face(256, 256);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double r, g, b;
            localHue((x + y) / 16.0, &r, &g, &b);
            cairo_set_source_rgb(face.cr, 0.2 + 0.6 * r, 0.2 + 0.6 * g, 0.2 + 0.6 * b);
            cairo_rectangle(face.cr, x * 32, y * 32, 32, 32);
            cairo_fill(face.cr);
        }
    Picture shell(256, 256);
    cairo_set_source_rgba(shell.cr, 0.9, 0.9, 1.0, 0.25);
    cairo_paint(shell.cr);
    cairo_set_source_rgba(shell.cr, 1, 1, 1, 0.9);
    cairo_set_line_width(shell.cr, 10);
    cairo_rectangle(shell.cr, 5, 5, 246, 246);
    cairo_stroke(shell.cr);
    return face.Save(dir / "cube_face.png") && shell.Save(dir / "cube_shell.png");
}

// A coin: two discs and a rim, 48 segments.
bool localMedallion(const fs::path& dir)
{
    FILE* f = std::fopen((dir / "medallion.mtl").string().c_str(), "w");
    if (!f)
        return false;
    std::fputs("newmtl gold\nKa 0.3 0.22 0.05\nKd 0.9 0.7 0.25\nKs 1 0.95 0.8\nNs 60\n", f);
    std::fclose(f);
    f = std::fopen((dir / "medallion.obj").string().c_str(), "w");
    if (!f)
        return false;
    const int n = 48;
    std::fputs("mtllib medallion.mtl\n", f);
    for (int side = 0; side < 2; ++side) {
        double z = side == 0 ? 0.12 : -0.12;
        std::fprintf(f, "v 0 0 %.3f\n", z);
        for (int i = 0; i < n; ++i)
            std::fprintf(f, "v %.5f %.5f %.3f\n", std::cos(2 * kPi * i / n), std::sin(2 * kPi * i / n), z);
    }
    std::fputs("usemtl gold\n", f);
    for (int i = 0; i < n; ++i) {
        int a = 2 + i, b = 2 + (i + 1) % n; // front ring: vertices 2..n+1
        int c = n + 3 + i, d = n + 3 + (i + 1) % n; // back ring
        std::fprintf(f, "f 1 %d %d\n", a, b);
        std::fprintf(f, "f %d %d %d\n", n + 2, d, c);
        std::fprintf(f, "f %d %d %d %d\n", a, c, d, b);
    }
    std::fclose(f);
    return true;
}

// The sheet: a 65 x 49 grid over 14 key frames. Frame 0 is flat; the later
// ones bend it, roll its right edge away from the viewer and whirl it about
// its centre in depth.
//
// The show draws the sheet with the depth test off, so the order of the
// triangles alone decides what covers what. The faces therefore run column
// by column from the rolled edge inwards: a part of the roll lies behind
// the columns left of it, and the flat sheet comes last, in front. On a
// cylinder that holds while the roll stays under 270 degrees less the angle
// it is seen from; the show sways the sheet by up to 45 degrees and
// stretches its depth 2.6 / 1.4 times, which makes 62, hence a radius that
// gives about 196 degrees over the rolled length. The sheet stays within
// the depth range -2..2 that the device clips to.
bool localSheet(const fs::path& dir, int* frames)
{
    FILE* f = std::fopen((dir / "sheet.mtl").string().c_str(), "w");
    if (!f)
        return false;
    std::fputs("newmtl Material.001\nKd 1 1 1\nKs 0.6 0.6 0.6\nNs 30\n", f);
    std::fclose(f);
    const int cols = 65, rows = 49, count = 14;
    const double radius = 0.35, rolled = 1.2;
    for (int k = 0; k < count; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "sheet-%02d.obj", k);
        f = std::fopen((dir / name).string().c_str(), "w");
        if (!f)
            return false;
        double t = k / double(count - 1);
        std::fputs("mtllib sheet.mtl\n", f);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                double x = 2.0 * c / (cols - 1) - 1, y = 1.0 - 2.0 * r / (rows - 1);
                double px = x, py = 0.75 * y, pz = 0;
                if (k > 0) {
                    // Roll: the right edge curls back (+z, away from the
                    // viewer) around a cylinder.
                    double start = 1.0 - rolled * t;
                    if (px > start) {
                        double a = (px - start) / radius;
                        px = start + radius * std::sin(a);
                        pz = radius * (1 - std::cos(a));
                    }
                    // Bend: a travelling wave that grows over the frames. It
                    // follows where the sheet now lies, so that the layers of
                    // the roll keep their distance in depth.
                    pz += 0.35 * t * std::sin(kPi * (px + 0.6 * t)) * std::cos(0.5 * kPi * y);
                    // Whirl: the sheet twists about its centre, more near the
                    // middle; layers over each other turn alike.
                    double d = std::sqrt(px * px + py * py), w = 1.6 * t * t * std::exp(-1.2 * d);
                    double qx = px * std::cos(w) - py * std::sin(w), qy = px * std::sin(w) + py * std::cos(w);
                    px = qx * (1 - 0.25 * t * t);
                    py = qy * (1 - 0.25 * t * t);
                    pz -= 0.6 * t * t * std::exp(-2 * d);
                }
                std::fprintf(f, "v %.5f %.5f %.5f\n", px, py, pz);
            }
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                std::fprintf(f, "vt %.5f %.5f\n", c / double(cols - 1), 1.0 - r / double(rows - 1));
        std::fputs("usemtl Material.001\n", f);
        for (int c = cols - 2; c >= 0; --c)
            for (int r = 0; r + 1 < rows; ++r) {
                int a = r * cols + c + 1, b = a + 1, d = a + cols, e = d + 1;
                // Wound so that the normals face the viewer, who looks along +z.
                std::fprintf(f, "f %d/%d %d/%d %d/%d\nf %d/%d %d/%d %d/%d\n", a, a, b, b, d, d, b, b, e, e, d, d);
            }
        std::fclose(f);
    }
    *frames = count;
    return true;
}

// One movie of light: frames of size x size, drawn by draw(cr, phase 0..1).
template <class Draw>
bool localMovie(const fs::path& dir, const char* name, int frames, int size, Draw draw)
{
    fs::create_directories(dir / name);
    for (int i = 0; i < frames; ++i) {
        Picture p(size, size);
        cairo_set_operator(p.cr, CAIRO_OPERATOR_ADD);
        draw(p.cr, i / double(frames - 1), i);
        char file[32];
        std::snprintf(file, sizeof file, "%04d.png", i);
        if (!p.Save(dir / name / file))
            return false;
    }
    return true;
}

// The light of a movie fades in at its start and out at its end.
double localEnvelope(double t)
{
    return std::min(1.0, std::min(t / 0.15, (1 - t) / 0.2 + 0.05));
}

bool localMovies(const fs::path& dir)
{
    const int s = 256;
    const double c = s / 2.0;
    bool ok = true;
    // The backdrop: a few dark, soft frames of slowly turning haze.
    ok = ok && localMovie(dir, "backdrop", 6, s, [&](cairo_t* cr, double t, int) {
        for (int k = 0; k < 5; ++k) {
            double a = 2 * kPi * (k / 5.0 + 0.1 * t), r = 55;
            localGlow(cr, c + r * std::cos(a), c + r * std::sin(a), 110, 0.10, 0.06, 0.22, 0.5);
        }
        localGlow(cr, c, c, 120, 0.05, 0.04, 0.12, 0.6);
    });
    // A spiral of sparks turning outwards.
    ok = ok && localMovie(dir, "sparks", 100, s, [&](cairo_t* cr, double t, int) {
        double env = localEnvelope(t);
        for (int arm = 0; arm < 3; ++arm)
            for (int i = 0; i < 40; ++i) {
                double u = i / 40.0, a = 2 * kPi * (arm / 3.0 + 1.6 * u + 0.9 * t), r = 10 + 105 * u;
                double red, green, blue;
                localHue(0.08 + 0.15 * u, &red, &green, &blue);
                localGlow(cr, c + r * std::cos(a), c + r * std::sin(a), 5 + 7 * u, red, green, blue, env * (1 - 0.6 * u));
            }
        localGlow(cr, c, c, 30, 1, 0.9, 0.6, env);
    });
    // Rings that burst from the centre and fade as they grow.
    ok = ok && localMovie(dir, "rings", 90, s, [&](cairo_t* cr, double t, int) {
        double env = localEnvelope(t);
        for (int k = 0; k < 4; ++k) {
            double u = std::fmod(t * 2.2 + k / 4.0, 1.0), r = 8 + 108 * u;
            double red, green, blue;
            localHue(0.55 + 0.1 * k, &red, &green, &blue);
            for (int j = 0; j < 48; ++j) {
                double a = 2 * kPi * j / 48 + t * (k % 2 ? 1 : -1);
                localGlow(cr, c + r * std::cos(a), c + r * std::sin(a), 9, red, green, blue, env * (1 - u) * 0.7);
            }
        }
    });
    // Petals of light turning about the centre (a rose curve).
    ok = ok && localMovie(dir, "petals", 110, s, [&](cairo_t* cr, double t, int) {
        double env = localEnvelope(t);
        for (int i = 0; i < 160; ++i) {
            double a = 2 * kPi * i / 160, r = 112 * std::fabs(std::sin(3 * a)) * (0.7 + 0.3 * std::sin(2 * kPi * t));
            double b = a + 2 * kPi * 0.35 * t, red, green, blue;
            localHue(0.8 + 0.2 * std::sin(a * 3), &red, &green, &blue);
            localGlow(cr, c + r * std::cos(b), c + r * std::sin(b), 8, red, green, blue, env * 0.55);
        }
    });
    // Comets falling into a vortex, trails behind them.
    ok = ok && localMovie(dir, "comets", 120, s, [&](cairo_t* cr, double t, int) {
        double env = localEnvelope(t);
        LocalRandom rnd(686);
        for (int k = 0; k < 7; ++k) {
            double phase0 = rnd.Next(), speed = 0.6 + 0.5 * rnd.Next();
            for (int j = 0; j < 14; ++j) {
                double u = std::fmod(phase0 + speed * t - j * 0.012, 1.0);
                if (u < 0)
                    u += 1;
                double r = 115 * (1 - u), a = 2 * kPi * (k / 7.0 + 2.2 * u);
                double fade = (1 - j / 14.0) * env;
                localGlow(cr, c + r * std::cos(a), c + r * std::sin(a), 4 + 8 * (1 - j / 14.0), 0.6, 0.85, 1, fade * 0.8);
            }
        }
        localGlow(cr, c, c, 22, 0.7, 0.8, 1, env * 0.8);
    });
    return ok;
}

bool localManifest(const fs::path& dir, int sheetFrames)
{
    FILE* f = std::fopen((dir / "lwhirl.manifest").string().c_str(), "w");
    if (!f)
        return false;
    std::fputs("# The default Lumenwhirl show, made by lwgen.\n"
               "picture   3    error_message.png\n"
               "picture   12   preview.png\n"
               "picture   4    label.png\n"
               "model     2    medallion.obj\n"
               "picture   687  cube_face.png\n"
               "picture   688  cube_shell.png\n",
               f);
    std::fprintf(f, "# %d key frames, 0.6 s each\n", sheetFrames);
    std::fputs("animation 8    sheet-*.obj    times=600 loop=no\n"
               "movie     11   backdrop/      time=0.5\n"
               "movie     133  sparks/        fps=25\n"
               "movie     454  rings/         fps=22\n"
               "movie     685  petals/        fps=25\n"
               "movie     686  comets/        fps=24\n",
               f);
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: lwgen OUTDIR\nDraws the default show's sources and OUTDIR/lwhirl.manifest.\n", stderr);
        return 2;
    }
    fs::path dir(argv[1]);
    std::error_code ec;
    fs::create_directories(dir, ec);
    int frames = 0;
    bool ok = !ec && localNotice(dir) && localPreview(dir) && localLabel(dir) && localCube(dir) &&
              localMedallion(dir) && localSheet(dir, &frames) && localMovies(dir) && localManifest(dir, frames);
    if (!ok) {
        std::fprintf(stderr, "lwgen: cannot write the sources into %s\n", dir.string().c_str());
        return 1;
    }
    return 0;
}
