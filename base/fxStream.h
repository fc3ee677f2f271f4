// Little-endian reads and writes on stdio streams: the layout of every stored
// integer, float and string of the authoring side, whatever the host's order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

bool fxWriteInt32(FILE* f, int32_t v);
bool fxReadInt32(FILE* f, int32_t* v);
bool fxWriteFloat(FILE* f, float v);
bool fxReadFloat(FILE* f, float* v);
// Eight bytes, the low word first.
bool fxWriteDouble(FILE* f, double v);
bool fxReadDouble(FILE* f, double* v);
// One byte, 1 for true; on reading only 1 is true.
bool fxWriteBool(FILE* f, bool v);
bool fxReadBool(FILE* f, bool* v);

// fopen for a name in UTF-8 on every platform: every file a user names is
// opened through it.
FILE* fxOpenFile(const char* path, const char* mode);

// The whole file into out (appended). False when it cannot be opened (errno
// tells why) or a read fails.
bool fxReadFile(const char* path, std::string* out);

// Replaces the file at path by bytes, or leaves it as it was: the bytes go
// to a temporary file of a unique name beside it, reach the disk, and are
// renamed over it. A symbolic link is written through to its target, whose
// permissions stay. False with why ("cannot write PATH: reason", "cannot
// replace PATH: reason"), no temporary file left (fxSysReplaceFile).
bool fxReplaceFile(const char* path, const std::string& bytes, std::string* why);

// Reads and drops n bytes; false when the stream ends first.
bool fxSkipBytes(FILE* f, long n);

// Bytes left between the position and the end of a seekable stream, or -1
// when the stream cannot tell (a pipe). Loaders bound stored counts by it.
long fxRemainingBytes(FILE* f);

// Reads a stored item count. False when the stream ends or when the count
// claims more items of itemBytes each than the stream has left (a corrupt
// count must not allocate gigabytes). A count below 0 reads as 0.
bool fxReadCount(FILE* f, int32_t* n, int itemBytes);
