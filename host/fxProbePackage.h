// Whether the install folder holds a package the show can load, and if not,
// why, in words for a person at a command line: the show itself plays on
// without one (its trace log holds the error), but a run started by hand
// is told.
#pragma once

#include <string>

// True when folder/lwhirl.dat reads as a package; else false with why set
// to "FILE: reason" (the system's reason for a file that cannot be read,
// the first problem found for one that is not a package).
bool fxProbePackage(const char* folder, std::string* why);
