// Whether a Linux machine runs on battery, from the kernel's power-supply
// class: one folder per supply with the files type, online and status.
// A Mains or USB supply that is online means mains. Otherwise a Battery
// that reports Discharging means battery. Anything else (no supply, files
// that cannot be read, a battery charging or full) counts as mains: the cap
// for mains is the one the user chose for the normal case.
#pragma once

#include <string>

bool fxOnBattery(const std::string& root);
// The folder of the supplies: $LUMENWHIRL_POWER_SUPPLY when set (tests),
// else /sys/class/power_supply.
std::string fxPowerSupplyRoot();
