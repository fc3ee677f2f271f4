// Little-endian reads and writes on stdio streams: the layout of every stored
// integer, float and string of the authoring side, whatever the host's order.
#pragma once

#include <cstdint>
#include <cstdio>

bool fxWriteInt32(FILE* f, int32_t v);
bool fxReadInt32(FILE* f, int32_t* v);
bool fxWriteFloat(FILE* f, float v);
bool fxReadFloat(FILE* f, float* v);

// Reads and drops n bytes; false when the stream ends first.
bool fxSkipBytes(FILE* f, long n);

// Bytes left between the position and the end of a seekable stream, or -1
// when the stream cannot tell (a pipe). Loaders bound stored counts by it.
long fxRemainingBytes(FILE* f);
