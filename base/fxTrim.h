// Trimming shared by FXStr, FXLongStr and FXLongStrW.
#pragma once

#include <cwchar>

// Trims leading and trailing white space of text[0..length) in place (the
// terminator at text[length] moves with the text); returns the new length.
int localTrimSpaces(char* text, int length);
int localTrimSpacesW(wchar_t* text, int length);
