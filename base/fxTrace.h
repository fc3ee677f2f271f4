// The process-wide trace log. Any thread may write; each entry is prefixed by
// the thread id ("%08x: ") and the time ("[%.3f] ") and flushed at once.
// While the log is closed (as in preview) every call returns at once without
// formatting. Callers pass whole lines: the format carries its own "\n".
#pragma once

#if defined(__GNUC__)
#define FX_PRINTF(a, b) __attribute__((format(printf, a, b)))
#else
#define FX_PRINTF(a, b)
#endif

// Opens (truncates) the log; false when the file cannot be created, or when
// a log is open already (that attempt is noted in the open log).
bool fxOpenTraces(const char* filename);
bool fxTracesOpened();
// Opens the log named name in folder when that is the user's own folder
// (fxSysIsUserFolder) and the log can be made there, else in the user's
// log folder, so that neither an installed tree nor another user's folder
// gets a file the program leaves behind. False as fxOpenTraces.
bool fxOpenTracesIn(const char* folder, const char* name);

// Messages longer than 4096 characters are cut to their first 4096.
void trc(const char* fmt, ...) FX_PRINTF(1, 2);
// As trc, with "#ERROR: " in front of the prefixes.
void err(const char* fmt, ...) FX_PRINTF(1, 2);
// The text alone, without prefixes.
void trc1(const char* fmt, ...) FX_PRINTF(1, 2);
// As err when the log is open; in every case shows the text in an error box
// (titled "Error"; stderr where there is no box). Returns the box's result.
int errmsg(const char* fmt, ...) FX_PRINTF(1, 2);

// Writes the closing lines and closes the log. The show never calls it.
void fxCloseTraces();
