#include "host/fxProbePackage.h"

#include "base/FXStrArray.h"
#include "base/fxStream.h"
#include "package/FXPackage.h"

#include <cerrno>
#include <cstring>

bool fxProbePackage(const char* folder, std::string* why)
{
    std::string path = folder && *folder ? folder : ".";
    if (path.back() != '/' && path.back() != '\\')
        path += '/';
    path += "lwhirl.dat";
    std::string bytes;
    errno = 0;
    if (!fxReadFile(path.c_str(), &bytes)) {
        *why = path + ": " + (errno ? std::strerror(errno) : "cannot be read");
        return false;
    }
    FXPackage pkg;
    std::string problems;
    if (!pkg.LoadFromMemory(bytes.data(), static_cast<long>(bytes.size()), &problems)) {
        std::string first = problems.substr(0, problems.find('\n'));
        *why = path + ": not a package (" + (first.empty() ? "malformed" : first) + ")";
        return false;
    }
    return true;
}
