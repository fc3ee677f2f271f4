// FXPackage: the package file with every asset of the show, mapped from its
// file (read whole where it cannot be mapped) and split into entries
// addressed by integer id.
//
// A package is untrusted input. Load rejects, leaving the package empty as for
// a bad header, a payload whose four tables have unequal counts, a count that
// does not fit in the bytes left, or an entry whose slice leaves the data
// area. Every cursor therefore lies inside the data area, and the cursors'
// readers never leave their entry.
#pragma once

#include "base/FXArray.h"
#include "base/FXStr.h"
#include "base/FXStrArray.h"
#include "package/FXNameServer.h"

#include <cstddef>
#include <string>

class FXPackageData;

// Picture type codes of the image library, chosen by file extension.
enum {
    kFxTypeNone = -1,
    kFxTypeBmp = 1056,
    kFxTypeJpg = 1061,
    kFxTypePng = 1066,
    kFxTypeTga = 1069,
    kFxTypeGif = 1078,
};

class FXPackage {
public:
    FXNameServer names;
    unsigned char* data; // the data area, null when empty; for a loaded file it
                         // lies inside the file's mapping, or the block the
                         // file was read into where it cannot be mapped
    int dataSize;
    FXArray ids;
    FXArray offsets; // relative to the data area
    FXArray sizes;
    FXArray types;
    FXArray cursors; // FXPackageData*, one per row, owned
    FXArray pendingIds;
    FXStrArray pendingFiles;
    FXStrArray tmpFiles;
    FXStr baseDir;

    FXPackage() : data(nullptr), dataSize(0), block(nullptr), blockSize(0), blockMapped(false) {}
    ~FXPackage() { Destroy(); }
    FXPackage(const FXPackage&) = delete;
    FXPackage& operator=(const FXPackage&) = delete;

    // Replaces the content by the package in the file; empty when the file
    // is missing or malformed (see above). True when a package was read.
    bool Load(const char* path);
    // The same from bytes in memory (what Load reads from the file). When
    // why is given, it gets every reason for rejecting, one a line.
    bool LoadFromMemory(const void* bytes, long n, std::string* why = nullptr);
    // Empties the tables, data area, cursors and authoring queues; the name
    // server and base directory stay.
    void Destroy();

    // The shared cursor of the first entry with this id, rewound; null when
    // there is none.
    FXPackageData* GetDataPtr(int id);
    // The type code of the first entry with this id; -1 when there is none.
    int GetDataType(int id) const;
    int GetCount() const { return ids.count; }

    // One new cursor per row over its slice of the data area.
    void RecompClasses();

    // Authoring side (authoring/FXPackageWriter.cpp).
    void AddDataFile(int id, const char* path);
    // Gives a non-empty path its id (queueing the file when new) and replaces
    // the text by the id's decimal text. False for an empty path.
    bool AddDataFile1(FXStr* path);
    // The file's size and its type code from the extension; false when it
    // cannot be read.
    static bool CheckFile(const char* path, int* size, int* type);
    // Appends the queued files as new rows and writes the package; bit 0 of
    // flags transposes the payload. Written to a temporary name and renamed,
    // so a failed save leaves no partial file; the package is unchanged
    // when it fails.
    bool Save(const char* path, int flags);
    void AddTmpFile(const char* path);
    void DeleteTmpFiles();
    bool SaveNames(const char* path) const;
    bool LoadNames(const char* path);
    // One "#define FXNAME_<NAME>  <id>" line per name.
    bool SaveNamesCpp(const char* path) const;

    // The payload transposition: an n-by-n square (n = floor(sqrt(size)))
    // transposed, the rest copied. Its own inverse.
    static void Transpose(const unsigned char* in, unsigned char* out, long size);
    // The type code for a file name's extension (any case).
    static int TypeOfExtension(const char* path);

private:
    void* block; // the allocation data points into, when it is not data itself
    size_t blockSize; // its bytes, when mapped
    bool blockMapped; // block is the file mapped (fxSysMapFile), not allocated

    int FindRow(int id) const;
    void DeleteCursors();
    // LoadFromMemory's work; with inPlace the data area is kept where it
    // lies in bytes (untransposed payloads only) instead of copied.
    bool Parse(const void* bytes, long n, std::string* why, bool inPlace);
    // Frees the data area.
    void ReleaseData();
};
