// FXLongStrW: heap string of the platform's wide characters (16 bits on
// Windows), for the authoring side.
#pragma once

#include "base/FXLongStrT.h"

class FXLongStrW : public FXLongStrT<wchar_t> {
public:
    // Grows the block to exactly length+2 characters when needed.
    bool AppendChar(wchar_t c);
    void RemoveLast();
};
