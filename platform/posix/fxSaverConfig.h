// Where the Linux saver finds its package: the first that holds lwhirl.dat
// of LUMENWHIRL_PATH, the key "path" of $XDG_CONFIG_HOME/vorn3d/
// Lumenwhirl.conf (~/.config when unset) and the program's data folder (when
// none does, the first of them that is set, so that the failure names it): data/ of the build folder when the program
// is the one in that folder, else share/lumenwhirl of the installation it
// really sits in (bin/ or libexec/xscreensaver/), so a package unpacked into
// another root finds its own files and an installed saver never reads the
// build tree.
#pragma once

#include <string>

std::string fxSaverConfigFile();
// The value of the first line "key = value" of the configuration file,
// blanks around it dropped: false when the file or the key is not there.
bool fxSaverConfigValue(const std::string& key, std::string* value);
// The install folder by the rules above. note, when given, gets one line
// for the trace log: where the folder came from and which configured folder
// was passed over for holding no package.
std::string fxSaverInstallFolder(const char* argv0, std::string* note = nullptr);
// The data folder of the running program, located through /proc/self/exe;
// argv0 only where /proc is not mounted.
std::string fxSaverDataFolder(const char* argv0);
// The data folder of the program exe given the build folder buildDir ("" for
// none): buildDir/data when exe's real folder is buildDir itself, else
// <prefix>/share/lumenwhirl, <prefix> being the folder above bin/ (or any
// other folder) or the one above libexec/xscreensaver/.
std::string fxSaverDataFolderOf(const std::string& exe, const std::string& buildDir);
// Sets "path" in the configuration file, keeping every other line of it.
// The file is replaced whole or not at all; a file that exists but cannot
// be read is left alone. False with the reason.
bool fxSaverWriteInstallFolder(const std::string& folder, std::string* why);
// True when folder (a real path) is the data folder of the installation the
// running program belongs to, not the build's: the package manager's files.
bool fxSaverIsInstalledData(const char* folder);
