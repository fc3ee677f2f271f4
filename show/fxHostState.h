// The saver host's process-wide state, shared by the window logic, the
// platform entry points and the scene (which reads the install folder and
// the trace file name from here).
#pragma once

extern char vornPath[520]; // the install folder; empty when none was found
extern const char* const scrRegName;
extern const char* const scrFile;
extern const char* const logsFile;
