// Where the Linux saver finds its package: LUMENWHIRL_PATH, then the key
// "path" of $XDG_CONFIG_HOME/vorn3d/Lumenwhirl.conf (~/.config when unset),
// then the data folder of the build, then that of the installed program.
#pragma once

#include <string>

std::string fxSaverConfigFile();
// The install folder by the rules above; argv0 locates an installed program.
std::string fxSaverInstallFolder(const char* argv0);
// The data folder the build or the installation put the package in.
std::string fxSaverDataFolder(const char* argv0);
// Sets "path" in the configuration file, keeping every other line of it.
// The file is replaced whole or not at all; a file that exists but cannot
// be read is left alone. False with the reason.
bool fxSaverWriteInstallFolder(const std::string& folder, std::string* why);
