#include "platform/posix/fxPowerSupply.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

void Supply(const std::string& root, const char* name, const char* type, const char* file, const char* value)
{
    std::string dir = root + "/" + name;
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/type") << type << "\n";
    if (file)
        std::ofstream(dir + "/" + file) << value << "\n";
}

} // namespace

TEST(fxPowerSupply, BatteryOnlyWhenOneDischargesAndNoMainsIsOnline)
{
    TempDir dir;
    std::string root = dir.path;
    EXPECT_FALSE(fxOnBattery(root + "/missing")) << "no supplies at all: a desktop on mains";
    EXPECT_FALSE(fxOnBattery(root));

    Supply(root, "BAT0", "Battery", "status", "Discharging");
    EXPECT_TRUE(fxOnBattery(root)) << "a laptop whose adapter has no folder";
    Supply(root, "AC", "Mains", "online", "0");
    EXPECT_TRUE(fxOnBattery(root)) << "the adapter is there but unplugged";
    Supply(root, "AC", "Mains", "online", "1");
    EXPECT_FALSE(fxOnBattery(root)) << "plugged in, whatever the battery says";
    Supply(root, "AC", "Mains", "online", "0");
    Supply(root, "ucsi-source-psy-USBC000:001", "USB", "online", "1");
    EXPECT_FALSE(fxOnBattery(root)) << "charging over USB";
    std::filesystem::remove_all(root + "/ucsi-source-psy-USBC000:001");

    Supply(root, "BAT0", "Battery", "status", "Charging");
    EXPECT_FALSE(fxOnBattery(root));
    Supply(root, "BAT1", "Battery", "status", "Discharging");
    EXPECT_TRUE(fxOnBattery(root)) << "any battery discharging counts";

    // Unreadable files count as nothing said: an online file that is a
    // folder, a supply without a type.
    std::filesystem::remove(root + "/AC/online");
    std::filesystem::create_directories(root + "/AC/online");
    std::filesystem::create_directories(root + "/hid-mouse");
    EXPECT_TRUE(fxOnBattery(root));
    std::filesystem::remove_all(root + "/BAT1");
    std::filesystem::remove(root + "/BAT0/status");
    EXPECT_FALSE(fxOnBattery(root));
}
