// FXLongStr: heap string of narrow characters (authoring side).
#pragma once

#include "base/FXLongStrT.h"

class FXLongStr : public FXLongStrT<char> {
};
