// FXNameServer: the authoring side's source names, one per id. The id of a
// name is its index plus the id base.
#pragma once

#include "base/FXStrArray.h"

class FXNameServer {
public:
    FXStrArray names;
    int idBase;

    FXNameServer() : idBase(0) {}

    // The name's id, appending the name when it is new.
    int BuildId(const char* name);
    // The name's id, or -1.
    int FindId(const char* name) const;
};
