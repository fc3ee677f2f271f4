// What xscreensaver's preferences (~/.xscreensaver) say about the picture a
// hack may show: whether it may grab the desktop, and whether it should
// take a picture from a folder instead. Unset keys keep xscreensaver's
// defaults: the desktop may be grabbed, no random pictures.
#pragma once

#include <string>

struct FXXScreenSaverPrefs {
    bool grabDesktopImages = true;
    bool chooseRandomImages = false;
    std::string imageDirectory; // "~/" at its start already made $HOME's
};

// The preferences in the text of a preferences file: lines "key: value",
// blanks around both ignored, booleans True/False, On/Off, Yes/No in any
// case (any other value leaves the default); "#" and "!" start comments;
// a line ending in a backslash goes on on the next one. home expands a
// leading "~/" of imageDirectory.
FXXScreenSaverPrefs fxParseXScreenSaverPrefs(const std::string& text, const std::string& home);

// The preferences of the user whose home is home (home/.xscreensaver);
// false, with the defaults, when there is no such file.
bool fxReadXScreenSaverPrefs(const std::string& home, FXXScreenSaverPrefs* prefs);
