// lumenwhirl without a window system: the headless recorder alone.
#include "programs/record/fxRecordMain.h"

#include <string>

int main(int argc, char** argv)
{
    std::string help = std::string("usage: ") + kRecordUsage + "\n" + kRecordHelp;
    return fxRecordMain(argc, argv, help.c_str(), "usage: lumenwhirl --record DIR [option ...]");
}
