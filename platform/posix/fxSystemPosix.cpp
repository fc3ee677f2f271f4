// POSIX services of the foundation.
#include "sys/fxSystem.h"

#include "platform/posix/fxSaverConfig.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// The file a chain of symbolic links ends at (path itself when it is none);
// the last one may name a file that does not exist yet.
std::string localLinkTarget(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        char buf[PATH_MAX];
        ssize_t n = readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0)
            break;
        std::string to(buf, static_cast<size_t>(n));
        size_t slash = p.rfind('/');
        p = to[0] == '/' || slash == std::string::npos ? to : p.substr(0, slash + 1) + to;
    }
    return p;
}

bool localWhy(char* why, int whySize, const char* what, const std::string& path, int error)
{
    if (why && whySize > 0)
        std::snprintf(why, static_cast<size_t>(whySize), "%s %s: %s", what, path.c_str(),
                      error ? std::strerror(error) : "write failed");
    return false;
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

FILE* fxSysOpenFile(const char* path, const char* mode)
{
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    return std::fopen(path, mode);
}

bool fxSysUtf8Args(int* argc, char*** argv)
{
    return argc && argv; // the bytes given are the names
}

bool fxSysReplaceFile(const char* path, const void* bytes, size_t size, char* why, int whySize)
{
    std::string given = path ? path : "";
    if (given.empty())
        return localWhy(why, whySize, "cannot write", given, ENOENT);
    std::string target = localLinkTarget(given);
    size_t slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // A hidden name the user is unlikely to hold, made unique by mkstemp.
    std::string tmp = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + "." + name + ".XXXXXX";
    struct stat old;
    bool existed = stat(target.c_str(), &old) == 0;
    int fd = mkstemp(&tmp[0]);
    if (fd < 0)
        return localWhy(why, whySize, "cannot write", given, errno);
    mode_t mode;
    if (existed) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    int error = 0;
    const char* p = static_cast<const char*>(bytes);
    size_t left = size;
    while (left > 0 && error == 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            p += n, left -= static_cast<size_t>(n);
    }
    if (error == 0 && fchmod(fd, mode) != 0)
        error = errno;
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        unlink(tmp.c_str());
        return localWhy(why, whySize, "cannot write", given, error);
    }
    if (rename(tmp.c_str(), target.c_str()) != 0) {
        error = errno;
        unlink(tmp.c_str());
        return localWhy(why, whySize, "cannot replace", given, error);
    }
    // The rename lives in the folder: without this a power cut may undo it.
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool fxSysPathExists(const char* path)
{
    struct stat st;
    return path && path[0] && stat(path, &st) == 0;
}

bool fxSysIsUserFolder(const char* dir)
{
    char real[PATH_MAX];
    struct stat st;
    if (!dir || !dir[0] || !realpath(dir, real) || stat(real, &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != geteuid() || fxSaverIsInstalledData(real))
        return false;
    // The trees a package manager or the system owns.
    static const char* const system[] = {"/usr", "/opt", "/etc", "/bin", "/sbin", "/lib", "/lib32", "/lib64",
                                         "/libx32", "/boot", "/var/lib", "/var/cache", "/snap", "/nix"};
    if (std::strcmp(real, "/") == 0)
        return false;
    for (const char* s : system) {
        size_t n = std::strlen(s);
        if (std::strncmp(real, s, n) == 0 && (real[n] == 0 || real[n] == '/'))
            return false;
    }
    return true;
}

bool fxSysGetUserLogDir(char* buf, int size)
{
    // Relative values of the XDG variables are to be ignored.
    std::string dir;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && state[0] == '/')
        dir = state;
    else if (home && home[0] == '/')
        dir = std::string(home) + "/.local/state";
    else {
        localCopy(buf, size, "");
        return false;
    }
    dir += "/lumenwhirl";
    // Folders made here are the user's alone.
    for (size_t i = 1; i <= dir.size(); ++i)
        if (i == dir.size() || dir[i] == '/')
            mkdir(dir.substr(0, i).c_str(), 0700);
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || static_cast<int>(dir.size()) >= size) {
        localCopy(buf, size, "");
        return false;
    }
    localCopy(buf, size, dir.c_str());
    return true;
}

double fxSysThreadCpuSeconds()
{
    timespec ts;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0)
        return 0;
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double fxSysProcessCpuSeconds()
{
    timespec ts;
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0)
        return 0;
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void* fxSysMapFile(const char* path, size_t* size)
{
    *size = 0;
    int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        return nullptr;
    struct stat st;
    void* p = MAP_FAILED;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    close(fd); // the mapping keeps the file
    if (p == MAP_FAILED)
        return nullptr;
    *size = static_cast<size_t>(st.st_size);
    return p;
}

void fxSysUnmapFile(void* bytes, size_t size)
{
    if (bytes)
        munmap(bytes, size);
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
