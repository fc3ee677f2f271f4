// Process-wide path slots and path helpers. Type path 1 is the folder of the
// show's data, type path 2 the system fonts folder; both end with a
// separator once set. Results live in static buffers that the next call
// using the same buffer overwrites; not safe for concurrent use.
//
// Both "/" and "\" separate path components on every platform; a separator
// that a helper adds follows the path's own style (see localAddPathEnding).
#pragma once

enum { kFxPathBuf = 288, kFxPathMax = 259 };

// Appends "/" when s contains "/" and no "\", else "\"; nothing when s ends
// in either already. s must have room for one more character.
void localAddPathEnding(char* s);

void fxInitPaths();
// Types 1 and 2 only: the first 259 characters of p, with an ending.
void fxSetTypePath(int type, const char* p);
// Null for any type but 1 and 2.
const char* fxGetTypePath(int type);

bool fxSetActPath(const char* p);
bool fxSetPath(int type);
bool fxSetSubPath(int type, const char* sub);
// The current directory with an ending.
char* fxGetActPath();

// dir joined with file (one leading separator of file dropped), "." and ".."
// resolved. An empty text when the result exceeds 259 characters.
const char* fxCombinePaths(const char* dir, const char* file);
// The path from `from` to `to` (".\x", "..\x"), or `to` unchanged when the
// two share no root.
char* fxBuildRelativePath(const char* from, bool fromIsFile, const char* to, bool toIsFile);
// The file-name part of path (a pointer into it).
const char* fxGetFilename(const char* path);
bool fxPathExists(const char* path);
// path with its extension replaced by ext (a dot is added when ext has none).
char* fxChangeExt(const char* path, const char* ext);
// path with s appended to the file name, before the extension.
char* fxAppenfFname(const char* path, const char* s);

// The index of the first of n folders that holds the file, or -1. Empty or
// null folders are skipped.
int fxFirstFolderHolding(const char* file, const char* const* folders, int n);
