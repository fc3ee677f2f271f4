// FXManifest: the manifest `lwpack build` reads, one entry per line,
//
//     KIND ID [SOURCE] [key=value ...]
//
// Words are separated by blanks; "double quotes" keep blanks in a word; '#'
// outside quotes starts a comment. ID is an integer or "auto". Load checks
// what the text alone can tell (kinds, ids given twice, the options each
// kind takes); what the sources hold is the builder's to check.
#pragma once

#include <map>
#include <string>
#include <vector>

class FXManifest {
public:
    // The kinds, in the order of kKinds: builders index their tables by it.
    enum Kind { kPicture, kLibrary, kModel, kAnimation, kMovie, kPhaser, kMatrix, kKindCount };

    struct KindInfo {
        const char* name;
        bool source;                   // a SOURCE follows the id
        std::vector<std::string> keys; // the option keys it takes
    };
    static const KindInfo kKinds[kKindCount];

    struct Entry {
        int line = 0; // in the manifest, from 1
        Kind kind = kPicture;
        bool autoId = false;
        int id = 0; // when not autoId
        std::string source;
        std::map<std::string, std::string> options;
        const char* KindName() const { return kKinds[kind].name; }
    };

    std::string path;           // the manifest's file, as given to Load
    std::vector<Entry> entries; // in manifest order
    int firstFreeId;            // above every given id, 1000 at least
    // The first fault of the last Load, as "what" with its line in errorLine
    // (0 for the file as a whole).
    std::string error;
    int errorLine;

    FXManifest() : firstFreeId(1000), errorLine(0) {}
    ~FXManifest() { Destroy(); }

    // Reads and checks the manifest at path. False with error set.
    bool Load(const char* path);
    // The same from text already read; path names it in errors only.
    bool LoadText(const std::string& text, const char* path);
    void Destroy();

    static const KindInfo* FindKind(const std::string& name, Kind* kind);
    // A whole decimal int: no blanks, no trailing text, within int's range.
    static bool ParseInt(const std::string& s, int* out);
};
