// FXPackageBuilder: `lwpack build`. Reads a manifest, one entry per line,
//
//     KIND ID [SOURCE] [key=value ...]
//
// and builds the package: pictures as they are; material libraries, models
// and animations from MTL and OBJ files; sprite movies from RGBA frames;
// phasers and matrices from their values. ID is an integer or "auto" (the
// tool hands out ids from 1000, or above the largest given id). Entries that
// records refer to (a model's library, a library's textures, a movie's
// frame pictures and masks) get ids of their own and are referred to by
// their decimal ids. Sources are relative to the manifest's folder. The
// format is described in full in README.md.
//
// Every error names the manifest and line. The output is written to a
// temporary name and renamed, so a failed build leaves no output behind.
// What a build goes on without (a material file an OBJ names but that is
// missing) is a warning, "FILE:LINE: warning: what"; strict builds make the
// first one their error.
#pragma once

#include "authoring/FXPackageCheck.h"
#include "base/FXStr.h"
#include "base/FXStrArray.h"

#include <string>

class FXPackageBuilder {
public:
    bool quiet;      // no progress and no summary
    bool transpose;  // store the payload transposed ("pck01s")
    bool strict;     // warnings are errors
    // Animations whose frames would build more vertices and indices than
    // this (a mesh counting one more) are refused, as the show refuses them.
    long long animationLimit;
    std::string error; // the first error of the last Build, "FILE:LINE: what"
    FXStrArray warnings; // of the last Build, in the order they arose
    int entries;     // entries of the manifest built by the last Build
    int totalEntries; // package rows written, references included

    FXPackageBuilder()
        : quiet(false), transpose(false), strict(false), animationLimit(FXPackageCheck::kAnimationLimit), entries(0),
          totalEntries(0)
    {
    }

    bool Build(const char* manifest, const char* out);
};
