// Win32 services of the foundation.
#include "platform/fxSystem.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

void localCopy(char* buf, int size, const char* s)
{
    if (!buf || size <= 0)
        return;
    std::snprintf(buf, static_cast<size_t>(size), "%s", s ? s : "");
}

} // namespace

uint32_t fxSysThreadId()
{
    return static_cast<uint32_t>(GetCurrentThreadId());
}

bool fxSysGetCurrentDir(char* buf, int size)
{
    if (!buf || size <= 0)
        return false;
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), buf);
    if (n == 0 || n >= static_cast<DWORD>(size)) {
        buf[0] = 0;
        return false;
    }
    return true;
}

bool fxSysSetCurrentDir(const char* path)
{
    return path && path[0] && SetCurrentDirectoryA(path) != 0;
}

bool fxSysGetFontsDir(char* buf, int size)
{
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_FONTS, nullptr, 0, path) != S_OK ||
        static_cast<int>(std::strlen(path)) >= size) {
        localCopy(buf, size, "");
        return false;
    }
    localCopy(buf, size, path);
    return true;
}

bool fxSysPathExists(const char* path)
{
    return path && path[0] && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool fxSysIsUserFolder(const char* dir)
{
    char full[MAX_PATH];
    DWORD n = dir && dir[0] ? GetFullPathNameA(dir, MAX_PATH, full, nullptr) : 0;
    if (n == 0 || n >= MAX_PATH)
        return false;
    DWORD attributes = GetFileAttributesA(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Program Files (both of them) and the Windows folder belong to the
    // system, whether or not this account may write there.
    static const int system[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS};
    for (int id : system) {
        char root[MAX_PATH] = {};
        if (SHGetFolderPathA(nullptr, id, nullptr, 0, root) != S_OK || !root[0])
            continue;
        size_t len = std::strlen(root);
        while (len > 0 && (root[len - 1] == '\\' || root[len - 1] == '/'))
            --len;
        if (_strnicmp(full, root, len) == 0 && (full[len] == 0 || full[len] == '\\' || full[len] == '/'))
            return false;
    }
    return true;
}

bool fxSysGetUserLogDir(char* buf, int size)
{
    char dir[MAX_PATH + 16] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, dir) != S_OK || !dir[0]) {
        localCopy(buf, size, "");
        return false;
    }
    std::strcat(dir, "\\Lumenwhirl");
    CreateDirectoryA(dir, nullptr);
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        static_cast<int>(std::strlen(dir)) >= size) {
        localCopy(buf, size, "");
        return false;
    }
    localCopy(buf, size, dir);
    return true;
}

double fxSysThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (k.QuadPart + u.QuadPart) / 1e7;
}

uint64_t fxSysPeakMemoryBytes()
{
    return 0; // not needed by the Windows saver
}

uint64_t fxSysResidentMemoryBytes()
{
    return 0;
}

bool fxSysStderrIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool fxSysPathsIgnoreCase()
{
    return true;
}

int fxSysErrorBox(const char* text, const char* title)
{
    return MessageBoxA(nullptr, text ? text : "", title ? title : "Error", MB_OK | MB_ICONERROR);
}

void fxSysSetProcessPriority(int p)
{
    DWORD cls = NORMAL_PRIORITY_CLASS;
    if (p > 0)
        cls = REALTIME_PRIORITY_CLASS;
    else if (p < 0)
        cls = BELOW_NORMAL_PRIORITY_CLASS;
    SetPriorityClass(GetCurrentProcess(), cls);
}

void fxSysSetThreadPriority(uint32_t threadId, int p)
{
    if (threadId == 0)
        return;
    HANDLE h = OpenThread(THREAD_SET_INFORMATION, FALSE, threadId);
    if (!h)
        return;
    int prio = THREAD_PRIORITY_NORMAL;
    if (p > 0)
        prio = THREAD_PRIORITY_TIME_CRITICAL;
    else if (p < 0)
        prio = THREAD_PRIORITY_LOWEST;
    SetThreadPriority(h, prio);
    CloseHandle(h);
}

void* fxSysLoadLibrary(const char* name)
{
    return name && *name ? static_cast<void*>(LoadLibraryA(name)) : nullptr;
}

void* fxSysGetProc(void* lib, const char* name)
{
    if (!lib || !name)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
}

void fxSysFreeLibrary(void* lib)
{
    if (lib)
        FreeLibrary(static_cast<HMODULE>(lib));
}
