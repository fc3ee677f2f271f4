// Reading the text sources lwpack imports: OBJ models and MTL material
// files as other tools save them.
//
// Text comes as UTF-8 (a byte-order mark is dropped) or as UTF-16, little or
// big endian, with its byte-order mark; both reach the parsers as UTF-8, so
// names keep their non-ASCII characters byte for byte. File references
// inside a source ("mtllib", "map_Kd") take "\" as well as "/" between
// folders and are relative to the folder of the file that names them.
//
// Warnings are lines "FILE:LINE: warning: what" for things an import goes on
// without (a material file that is missing); errors are returned in why as
// "FILE:LINE: what" and also traced.
#pragma once

#include "base/FXStr.h"
#include "base/FXStrArray.h"
#include "base/fxTrace.h"

#include <string>

class FXMatlib;
class FXModel;

// The file's text as UTF-8. False with "PATH: reason" traced and put in why
// (when given): the system's message for a file that cannot be read, or
// what is wrong with its encoding; a text with NUL characters is refused,
// since a UTF-16 file without its byte-order mark reads as one.
bool fxReadSourceText(const char* path, std::string* text, std::string* why);

// An import's error: traced after "who: " and put in why (when given).
void fxImportFail(std::string* why, const char* who, const char* fmt, ...) FX_PRINTF(3, 4);

// A reference as written in a source, "\" turned into "/".
std::string fxSourceRef(const std::string& ref);
// True for a reference from the root or with a drive ("C:/..."), "\" or "/".
bool fxSourceRefIsAbsolute(const std::string& ref);
// A reference relative to the folder of the file `from`; absolute ones as
// they are.
std::string fxSourceSibling(const char* from, const std::string& ref);

// Replaces lib by the materials of an MTL file, by the same rules as
// FXMatlib::LoadFromMtl, with the textures read from the MTL's folder.
// False when the file cannot be read, or a texture it names is missing or
// undecodable (when the image library is bound): why then names the file and
// line.
bool fxImportMtl(FXMatlib* lib, const char* path, std::string* why);

// FXModel::ImportObj with warnings pushed to `warnings` (traced when it is
// null): a "mtllib" file that cannot be opened leaves the model without a
// library, so every mesh gets the default material
// (authoring/FXModelImport.cpp).
bool fxImportObj(FXModel* model, const char* path, std::string* why, FXStrArray* warnings);
