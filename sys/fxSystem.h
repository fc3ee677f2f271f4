// The operating-system services the foundation needs, one implementation per
// target (platform/posix, platform/win32). Nothing here names an OS type:
// callers see plain integers and character buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Id of the calling thread, as the system's tools show it.
uint32_t fxSysThreadId();

// Current directory into buf (size bytes with terminator); false when it does
// not fit or cannot be read, buf then empty.
bool fxSysGetCurrentDir(char* buf, int size);
bool fxSysSetCurrentDir(const char* path);

// The system fonts folder without ending, or false (buf empty) when none.
bool fxSysGetFontsDir(char* buf, int size);

// True when a file or folder of that name exists.
bool fxSysPathExists(const char* path);

// The whole file at path (a name in UTF-8) mapped into memory, private to
// the process: its pages are the file's own, read in as they are touched,
// until written (a write copies the page and never reaches the file). Null
// when it cannot be mapped, an empty file included; size gets the bytes
// mapped. A file cut shorter while mapped faults on the pages it lost, so
// map only files that are replaced by renaming, never rewritten in place.
void* fxSysMapFile(const char* path, size_t* size);
void fxSysUnmapFile(void* bytes, size_t size);

// fopen for a name in UTF-8, whatever the system's code page (Windows opens
// it by its wide name). Null with errno set when it cannot be opened.
FILE* fxSysOpenFile(const char* path, const char* mode);

// The process's arguments in UTF-8 (Windows hands main the ANSI code page's):
// argc and argv replaced, the strings kept for the process's life. False,
// with both unchanged, when they cannot be had.
bool fxSysUtf8Args(int* argc, char*** argv);

// Replaces the file at path by size bytes, or leaves it as it was. The bytes
// go to a temporary file of a unique name beside the file, reach the disk
// before it is renamed over the file, and the rename reaches the disk too. A
// symbolic link is written through: its target is replaced, the link stays.
// The file keeps its permissions; a new one gets what the umask allows. False
// with the reason in why ("cannot write PATH: reason", "cannot replace PATH:
// reason"), no temporary file left.
bool fxSysReplaceFile(const char* path, const void* bytes, size_t size, char* why, int whySize);

// True when dir is the user's own: outside the system's folders and the
// program's installation, and (where folders have owners) owned by the user
// running. The program writes its own files (the trace log) only there.
bool fxSysIsUserFolder(const char* dir);
// The user's folder for the program's logs without ending, made when
// missing; false (buf empty) when there is none.
bool fxSysGetUserLogDir(char* buf, int size);

// Processor time the calling thread has used, in seconds; 0 where unknown.
double fxSysThreadCpuSeconds();
// Processor time the whole process has used (every thread: the driver's
// too), in seconds; 0 where unknown.
double fxSysProcessCpuSeconds();
// The largest resident memory of the process so far, in bytes; 0 where
// unknown.
uint64_t fxSysPeakMemoryBytes();
// The resident memory of the process now, in bytes; 0 where unknown.
uint64_t fxSysResidentMemoryBytes();

// True when the standard error stream is a terminal (progress lines go there).
bool fxSysStderrIsTerminal();

// True where file names compare without regard to case.
bool fxSysPathsIgnoreCase();

// An error message box with no owner; returns the box's result. Where the
// platform has no box the text goes to stderr and the result is 1 (OK).
int fxSysErrorBox(const char* text, const char* title);

// Priority of the process and of one thread (by its id): 0 normal, above 0 the
// highest the platform grants, below 0 the lowest. Refusals are silent.
void fxSysSetProcessPriority(int p);
void fxSysSetThreadPriority(uint32_t threadId, int p);

// Dynamic libraries by file name ("libIL.so.1", "DevIL"): a handle or null.
// fxSysFreeLibrary ignores null; fxSysGetProc gives null for a missing name.
void* fxSysLoadLibrary(const char* name);
void* fxSysGetProc(void* lib, const char* name);
void fxSysFreeLibrary(void* lib);

// The platform's own picture codec, for when DevIL cannot be loaded (the
// Windows Imaging Component on Windows); null where the platform has none.
class PPictureCodec;
PPictureCodec* fxSysPictureCodec();
