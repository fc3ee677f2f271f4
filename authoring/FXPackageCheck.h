// FXPackageCheck: a strict reading of every record a package holds, for
// `lwpack verify`. The engine's loaders are lenient (a short record reads as
// zeros); this walks the same layouts exactly and names the first field that
// does not fit, then follows the references between entries: material
// libraries, their textures, movie frames and masks.
//
// Records are recognised by their tags ("xm02", "xm03", "xa03", "xs01" to
// "xs03"); libraries and frame pictures through the records that refer to
// them; pictures by their entry type.
#pragma once

#include "base/FXStrArray.h"
#include "base/fxTrace.h"
#include "geometry/FXAnim.h"

#include <set>

class FXPackage;

class FXPackageCheck {
public:
    FXStrArray problems; // one line each, "entry ID: what"
    int models, animations, movies, libraries, pictures;
    bool picturesDecoded; // false when the image library could not be loaded

    FXPackageCheck() : models(0), animations(0), movies(0), libraries(0), pictures(0), picturesDecoded(false) {}

    // True when nothing was found wrong.
    bool Check(FXPackage* pkg);

    // The engine's animation loader refuses an "xa03" record whose frames
    // would build more vertices and indices than this, a mesh counting one
    // more: the figure AnimationElements gives.
    static const long long kAnimationLimit = FXAnim::kMaxElements;
    // The frame count times the sum over the mesh headers of vertices,
    // indices and 1, from an "xa03" record's bytes; -1 when it ends before
    // its mesh headers or its counts cannot be right.
    static long long AnimationElements(const unsigned char* bytes, int size);

private:
    FXPackage* pkg = nullptr;
    std::set<int> librariesSeen, picturesSeen;

    void Problem(int id, const char* fmt, ...) FX_PRINTF(3, 4);
    void CheckModel(int id);
    void CheckAnimation(int id);
    void CheckMovie(int id);
    void CheckLibrary(int from, const char* ref);
    void CheckTexture(int from, const char* ref);
    void CheckPicture(int id);
    // The decimal id a record refers to; a problem when it is not one or the
    // entry is missing.
    bool Ref(int from, const char* what, const char* ref, int* id);
};
