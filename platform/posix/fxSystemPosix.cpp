// POSIX services of the foundation.
#include "platform/fxSystem.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

void localCopy(char* buf, int size, const char* s)
{
    if (!buf || size <= 0)
        return;
    std::snprintf(buf, static_cast<size_t>(size), "%s", s ? s : "");
}

// Linux has no real-time class for ordinary users, and a real-time render
// loop that spins would starve the desktop: the top level is nice -20.
int localNiceOf(int p)
{
    if (p > 0)
        return -20;
    if (p < 0)
        return 19;
    return 0;
}

} // namespace

uint32_t fxSysThreadId()
{
    return static_cast<uint32_t>(syscall(SYS_gettid));
}

bool fxSysGetCurrentDir(char* buf, int size)
{
    if (!buf || size <= 0)
        return false;
    if (!getcwd(buf, static_cast<size_t>(size))) {
        buf[0] = 0;
        return false;
    }
    return true;
}

bool fxSysSetCurrentDir(const char* path)
{
    return path && path[0] && chdir(path) == 0;
}

bool fxSysGetFontsDir(char* buf, int size)
{
    static const char* const dirs[] = {"/usr/share/fonts", "/usr/local/share/fonts"};
    for (const char* d : dirs) {
        if (fxSysPathExists(d) && static_cast<int>(std::strlen(d)) < size) {
            localCopy(buf, size, d);
            return true;
        }
    }
    localCopy(buf, size, "");
    return false;
}

bool fxSysPathExists(const char* path)
{
    struct stat st;
    return path && path[0] && stat(path, &st) == 0;
}

double fxSysThreadCpuSeconds()
{
    timespec ts;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0)
        return 0;
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

uint64_t fxSysPeakMemoryBytes()
{
    rusage u;
    if (getrusage(RUSAGE_SELF, &u) != 0)
        return 0;
    return static_cast<uint64_t>(u.ru_maxrss) * 1024; // kilobytes on Linux
}

uint64_t fxSysResidentMemoryBytes()
{
    // The second field of /proc/self/statm: resident pages.
    FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long long size = 0, resident = 0;
    bool ok = f && std::fscanf(f, "%llu %llu", &size, &resident) == 2;
    if (f)
        std::fclose(f);
    long page = sysconf(_SC_PAGESIZE);
    return ok && page > 0 ? resident * static_cast<uint64_t>(page) : 0;
}

bool fxSysStderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

bool fxSysPathsIgnoreCase()
{
    return false;
}

int fxSysErrorBox(const char* text, const char* title)
{
    std::fprintf(stderr, "%s: %s", title ? title : "Error", text ? text : "");
    size_t n = text ? std::strlen(text) : 0;
    if (n == 0 || text[n - 1] != '\n')
        std::fputc('\n', stderr);
    std::fflush(stderr);
    return 1;
}

void fxSysSetProcessPriority(int p)
{
    // Linux keeps the nice value per thread; threads created later inherit it.
    setpriority(PRIO_PROCESS, 0, localNiceOf(p));
}

void fxSysSetThreadPriority(uint32_t threadId, int p)
{
    if (threadId == 0)
        return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), localNiceOf(p));
}

void* fxSysLoadLibrary(const char* name)
{
    return name && *name ? dlopen(name, RTLD_NOW | RTLD_LOCAL) : nullptr;
}

void* fxSysGetProc(void* lib, const char* name)
{
    return lib && name ? dlsym(lib, name) : nullptr;
}

void fxSysFreeLibrary(void* lib)
{
    if (lib)
        dlclose(lib);
}

PPictureCodec* fxSysPictureCodec()
{
    return nullptr;
}
