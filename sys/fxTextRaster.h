// Text rendered by the platform's text engine (GDI on Windows, Cairo on
// Linux): white on black, one coverage byte per pixel, rows top-down.
#pragma once

// The size in pixels of text in the font (a family name such as "Arial" or
// "DejaVu Sans") at size pixels; false when the text is empty or cannot be
// measured.
bool fxSysMeasureText(const wchar_t* text, const char* font, int size, int* width, int* height);
// The coverage of the text, width x height bytes in a block the caller frees
// with free(); false when nothing could be rendered.
bool fxSysRasterText(const wchar_t* text, const char* font, int size, int* width, int* height,
                     unsigned char** coverage);
