// The recorder's command line, `lumenwhirl --record`, shared by the program
// with a window system and the one built without: its options, their help,
// the run and its report.
#pragma once

// The recorder's usage lines, each continued line indented as after
// "usage: ", and the help on its options and files.
extern const char* const kRecordUsage;
extern const char* const kRecordHelp;

// why and the usage line on stderr, with a pointer to --help; status 2.
int fxUsageError(const char* why, const char* usage);

// Runs the recorder's command line: help for --help or -h, usage with an
// error. The exit status.
int fxRecordMain(int argc, char** argv, const char* help, const char* usage);
