#include "platform/posix/fxPowerSupply.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>

namespace {

// The first line of root/name/file, "" when it cannot be read.
std::string localRead(const std::string& dir, const char* file)
{
    std::ifstream in(dir + "/" + file);
    std::string line;
    if (!in || !std::getline(in, line))
        return "";
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
        line.pop_back();
    return line;
}

} // namespace

bool fxOnBattery(const std::string& root)
{
    DIR* d = opendir(root.c_str());
    if (!d)
        return false;
    bool mains = false, discharging = false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string dir = root + "/" + name;
        std::string type = localRead(dir, "type");
        // USB_C, USB_PD and the like are USB supplies too.
        if (type == "Mains" || type.compare(0, 3, "USB") == 0)
            mains = mains || localRead(dir, "online") == "1";
        else if (type == "Battery")
            discharging = discharging || localRead(dir, "status") == "Discharging";
    }
    closedir(d);
    return discharging && !mains;
}

std::string fxPowerSupplyRoot()
{
    const char* env = std::getenv("LUMENWHIRL_POWER_SUPPLY");
    return env && *env ? env : "/sys/class/power_supply";
}
