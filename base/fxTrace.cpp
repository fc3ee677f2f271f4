#include "base/fxTrace.h"

#include "base/fxPaths.h"
#include "base/fxThread.h"
#include "base/fxTime.h"
#include "sys/fxSystem.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

const int kTextMax = 4096;
const char* const kRule = "------------------------------------------------\n";

std::atomic<bool> trcOn{false};
FILE* trcFile = nullptr;
// Created with the first log and kept for the process: a writer may still be
// waiting on it while another thread closes the log.
void* trcMutex = nullptr;
std::once_flag trcMutexOnce;
char trcThreadStr[1024];
int trcThreadStrSize = 0;
char trcTimeStr[1024];
int trcTimeStrSize = 0;
char trcTrcText[kTextMax + 32];
int trcTrcTextSize = 0;
char trcDynamicError[kTextMax + 32];

enum localKind { kTrace, kError, kPlain };

int localFormat(char* buf, const char* fmt, va_list args)
{
    int n = std::vsnprintf(buf, kTextMax + 1, fmt ? fmt : "", args);
    if (n < 0)
        n = 0;
    if (n > kTextMax)
        n = kTextMax;
    buf[n] = 0;
    return n;
}

// Formats and writes one entry; the caller holds trcMutex and the log is open.
void localWrite(localKind kind, const char* fmt, va_list args)
{
    if (kind != kPlain) {
        trcThreadStrSize = std::snprintf(trcThreadStr, sizeof trcThreadStr, "%08x: ", fxSysThreadId());
        double t = static_cast<float>(fxGetTime());
        trcTimeStrSize = std::snprintf(trcTimeStr, sizeof trcTimeStr, "[%.3f] ", t);
    }
    trcTrcTextSize = localFormat(trcTrcText, fmt, args);
    if (!trcFile)
        return;
    if (kind == kError)
        std::fputs("#ERROR: ", trcFile);
    if (kind != kPlain) {
        std::fwrite(trcThreadStr, 1, static_cast<size_t>(trcThreadStrSize), trcFile);
        std::fwrite(trcTimeStr, 1, static_cast<size_t>(trcTimeStrSize), trcFile);
    }
    std::fwrite(trcTrcText, 1, static_cast<size_t>(trcTrcTextSize), trcFile);
    std::fflush(trcFile);
}

void localEntry(localKind kind, const char* fmt, va_list args)
{
    if (!trcOn.load() || !trcMutex)
        return;
    fxLock(trcMutex);
    if (trcOn.load())
        localWrite(kind, fmt, args);
    fxUnlock(trcMutex);
}

} // namespace

bool fxOpenTraces(const char* filename)
{
    std::call_once(trcMutexOnce, [] { trcMutex = fxCreateMutex(); });
    if (!trcMutex || !filename)
        return false;
    fxLock(trcMutex);
    if (trcOn.load()) {
        std::fputs(kRule, trcFile);
        std::fputs("fxOpenTraces - attempt to open another traces\n", trcFile);
        std::fprintf(trcFile, "               (filename:%s)\n", filename);
        std::fputs(kRule, trcFile);
        std::fputs("\n", trcFile);
        std::fflush(trcFile);
        fxUnlock(trcMutex);
        return false;
    }
#if defined(_WIN32)
    trcFile = std::fopen(filename, "wt");
#else
    trcFile = std::fopen(filename, "w");
#endif
    if (!trcFile) {
        fxUnlock(trcMutex);
        return false;
    }
    std::fputs(kRule, trcFile);
    std::fprintf(trcFile, " fxOpenTraces (filename:%s)\n", filename);
    std::fputs(kRule, trcFile);
    std::fputs("\n", trcFile);
    std::fflush(trcFile);
    trcOn.store(true);
    fxUnlock(trcMutex);
    return true;
}

bool fxOpenTracesIn(const char* folder, const char* name)
{
    if (!name || !*name)
        return false;
    std::string first = folder && *folder ? fxCombinePaths(folder, name) : "";
    if (fxTracesOpened())
        return fxOpenTraces(first.empty() ? name : first.c_str()); // only noted in the open log
    if (!first.empty() && fxSysIsUserFolder(folder) && fxOpenTraces(first.c_str()))
        return true;
    char dir[kFxPathBuf];
    if (!fxSysGetUserLogDir(dir, sizeof dir))
        return false;
    std::string own = fxCombinePaths(dir, name);
    return !own.empty() && fxOpenTraces(own.c_str());
}

bool fxTracesOpened()
{
    return trcOn.load();
}

void trc(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    localEntry(kTrace, fmt, args);
    va_end(args);
}

void err(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    localEntry(kError, fmt, args);
    va_end(args);
}

void trc1(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    localEntry(kPlain, fmt, args);
    va_end(args);
}

int errmsg(const char* fmt, ...)
{
    // The box is modal: show a copy after the lock is released, so other
    // threads keep tracing meanwhile.
    char text[kTextMax + 32];
    va_list args;
    va_start(args, fmt);
    std::call_once(trcMutexOnce, [] { trcMutex = fxCreateMutex(); });
    fxLock(trcMutex);
    localFormat(trcDynamicError, fmt, args);
    std::snprintf(text, sizeof text, "%s", trcDynamicError);
    fxUnlock(trcMutex);
    va_end(args);
    err("%s", text);
    return fxSysErrorBox(text, "Error");
}

void fxCloseTraces()
{
    if (!trcOn.load() || !trcMutex)
        return;
    fxLock(trcMutex);
    if (trcOn.load()) {
        trcOn.store(false);
        std::fputs("\n", trcFile);
        std::fputs(kRule, trcFile);
        std::fputs(" end of traces\n", trcFile);
        std::fputs(kRule, trcFile);
        std::fputs("\n", trcFile);
        std::fclose(trcFile);
        trcFile = nullptr;
    }
    fxUnlock(trcMutex);
}
