// The wl_shm pictures a compositor hands out (screencopy) turned into the
// capture's order: four bytes blue, green, red, 255, rows top-down.
// Formats are wl_shm's: 0 ARGB8888, 1 XRGB8888, every other one its DRM
// fourcc; the multi-byte ones are little-endian words.
#pragma once

#include <cstdint>

// True for the formats fxShmToBgrx reads.
bool fxShmFormatKnown(uint32_t format);

// src: height rows stride bytes apart, bottom row first when yInvert.
// dst: height rows of 4 * width bytes. False, dst untouched, for an
// unknown format or a stride too short for a row.
bool fxShmToBgrx(uint32_t format, const unsigned char* src, int width, int height, int stride, bool yInvert,
                 unsigned char* dst);
