#include "show/fxHostState.h"

char vornPath[520] = {0};
const char* const scrRegName = "Software\\vorn3d\\Screensavers\\Lumenwhirl";
const char* const scrFile = "lwhirl.scr";
const char* const logsFile = "lwhirl.log";
