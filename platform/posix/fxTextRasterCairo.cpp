// Text pictures through Cairo's text API (fontconfig resolves the family).
#include "sys/fxTextRaster.h"

#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void localAppendUtf8(std::string* out, unsigned c)
{
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xc0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xe0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        *out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x110000) {
        *out += static_cast<char>(0xf0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        *out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

std::string localUtf8(const wchar_t* text)
{
    std::string s;
    for (; text && *text; ++text)
        localAppendUtf8(&s, static_cast<unsigned>(*text));
    return s;
}

struct Layout {
    double x, y;
    int width, height;
};

// Measures on a scratch surface: the advance width and the font's line height.
bool localLayout(cairo_t* cr, const std::string& s, const char* font, int size, Layout* out)
{
    cairo_select_font_face(cr, font && *font ? font : "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t te;
    cairo_font_extents_t fe;
    cairo_text_extents(cr, s.c_str(), &te);
    cairo_font_extents(cr, &fe);
    double w = te.x_advance > te.width + te.x_bearing ? te.x_advance : te.width + te.x_bearing;
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS || w <= 0 || fe.height <= 0 || w > 16384 || fe.height > 16384)
        return false;
    out->x = te.x_bearing < 0 ? -te.x_bearing : 0;
    out->y = fe.ascent;
    out->width = static_cast<int>(w + out->x + 0.999);
    out->height = static_cast<int>(fe.height + 0.999);
    return true;
}

bool localMeasure(const std::string& s, const char* font, int size, Layout* out)
{
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    bool ok = localLayout(cr, s, font, size, out);
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    return ok;
}

} // namespace

bool fxSysMeasureText(const wchar_t* text, const char* font, int size, int* width, int* height)
{
    std::string s = localUtf8(text);
    Layout l;
    if (s.empty() || size <= 0 || !localMeasure(s, font, size, &l))
        return false;
    *width = l.width;
    *height = l.height;
    return true;
}

bool fxSysRasterText(const wchar_t* text, const char* font, int size, int* width, int* height,
                     unsigned char** coverage)
{
    std::string s = localUtf8(text);
    Layout l;
    if (s.empty() || size <= 0 || !localMeasure(s, font, size, &l))
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, l.width, l.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    Layout again;
    bool ok = localLayout(cr, s, font, size, &again);
    if (ok) {
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_move_to(cr, l.x, l.y);
        cairo_show_text(cr, s.c_str());
        cairo_surface_flush(surface);
    }
    unsigned char* out = ok ? static_cast<unsigned char*>(std::malloc(static_cast<size_t>(l.width) * l.height)) : nullptr;
    if (out) {
        const unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < l.height; ++y)
            std::memcpy(out + static_cast<size_t>(y) * l.width, data + static_cast<size_t>(y) * stride,
                        static_cast<size_t>(l.width));
        *width = l.width;
        *height = l.height;
        *coverage = out;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return out != nullptr;
}
