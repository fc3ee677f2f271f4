// Win32 services of the foundation.
#include "sys/fxSystem.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void localCopy(char* buf, int size, const char* s)
{
    if (!buf || size <= 0)
        return;
    std::snprintf(buf, static_cast<size_t>(size), "%s", s ? s : "");
}

// A UTF-8 name as the wide name Windows opens; empty when it is not UTF-8.
std::wstring localWide(const char* s)
{
    int n = s && *s ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s, -1, nullptr, 0) : 0;
    if (n <= 0)
        return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s, -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

bool localWhy(char* why, int whySize, const char* what, const char* path, DWORD error)
{
    if (!why || whySize <= 0)
        return false;
    char text[512] = "write failed";
    if (error && FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                sizeof text, nullptr) == 0)
        std::snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(error));
    size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.'))
        text[--n] = 0;
    std::snprintf(why, static_cast<size_t>(whySize), "%s %s: %s", what, path ? path : "", text);
    return false;
}

// The file a symbolic link ends at, or the name itself.
std::wstring localFinalName(const std::wstring& name)
{
    HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return name;
    wchar_t buf[32768];
    DWORD n = GetFinalPathNameByHandleW(h, buf, 32768, FILE_NAME_NORMALIZED);
    CloseHandle(h);
    return n > 0 && n < 32768 ? std::wstring(buf, n) : name;
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

FILE* fxSysOpenFile(const char* path, const char* mode)
{
    std::wstring name = localWide(path), wmode = localWide(mode);
    if (name.empty() || wmode.empty()) {
        errno = path && *path ? EILSEQ : ENOENT;
        return nullptr;
    }
    return _wfopen(name.c_str(), wmode.c_str());
}

void* fxSysMapFile(const char* path, size_t* size)
{
    *size = 0;
    std::wstring name = localWide(path);
    if (name.empty())
        return nullptr;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER n;
    void* view = nullptr;
    if (GetFileSizeEx(file, &n) && n.QuadPart > 0 && static_cast<unsigned long long>(n.QuadPart) <= SIZE_MAX) {
        // Copy-on-write: a page written is the process's own.
        HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_WRITECOPY, 0, 0, nullptr);
        if (mapping) {
            view = MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, 0);
            CloseHandle(mapping); // the view keeps it
        }
    }
    CloseHandle(file);
    if (view)
        *size = static_cast<size_t>(n.QuadPart);
    return view;
}

void fxSysUnmapFile(void* bytes, size_t)
{
    if (bytes)
        UnmapViewOfFile(bytes);
}

bool fxSysUtf8Args(int* argc, char*** argv)
{
    if (!argc || !argv)
        return false;
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide)
        return false;
    static std::vector<std::string> strings;
    static std::vector<char*> pointers;
    strings.assign(static_cast<size_t>(n), std::string());
    for (int i = 0; i < n; ++i) {
        int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            strings[static_cast<size_t>(i)].resize(static_cast<size_t>(bytes));
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &strings[static_cast<size_t>(i)][0], bytes, nullptr, nullptr);
            strings[static_cast<size_t>(i)].resize(static_cast<size_t>(bytes - 1));
        }
    }
    LocalFree(wide);
    pointers.clear();
    for (std::string& s : strings)
        pointers.push_back(&s[0]);
    pointers.push_back(nullptr);
    *argc = n;
    *argv = pointers.data();
    return true;
}

bool fxSysReplaceFile(const char* path, const void* bytes, size_t size, char* why, int whySize)
{
    std::wstring given = localWide(path);
    if (given.empty())
        return localWhy(why, whySize, "cannot write", path, ERROR_INVALID_NAME);
    std::wstring target = localFinalName(given);
    DWORD attributes = GetFileAttributesW(target.c_str());
    // Unique beside the file: CREATE_NEW refuses a name that is taken.
    HANDLE h = INVALID_HANDLE_VALUE;
    std::wstring tmp;
    DWORD error = 0;
    for (unsigned i = 0; i < 100 && h == INVALID_HANDLE_VALUE; ++i) {
        wchar_t suffix[64];
        std::swprintf(suffix, 64, L".%lu-%lu-%u.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(GetCurrentThreadId()), GetTickCount() + i);
        tmp = target + suffix;
        h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    if (h == INVALID_HANDLE_VALUE)
        return localWhy(why, whySize, "cannot write", path, error);
    const char* p = static_cast<const char*>(bytes);
    size_t left = size;
    while (left > 0 && error == 0) {
        DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left), done = 0;
        if (!WriteFile(h, p, chunk, &done, nullptr))
            error = GetLastError();
        p += done;
        left -= done;
    }
    if (error == 0 && !FlushFileBuffers(h))
        error = GetLastError();
    if (!CloseHandle(h) && error == 0)
        error = GetLastError();
    if (error != 0) {
        DeleteFileW(tmp.c_str());
        return localWhy(why, whySize, "cannot write", path, error);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        SetFileAttributesW(tmp.c_str(), attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (!MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
        DeleteFileW(tmp.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(target.c_str(), attributes);
        return localWhy(why, whySize, "cannot replace", path, error);
    }
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

namespace {

// Kernel and user time, in the 100 ns units of a FILETIME, as seconds.
double localCpuSeconds(const FILETIME& kernel, const FILETIME& user)
{
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (k.QuadPart + u.QuadPart) / 1e7;
}

} // namespace

double fxSysThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    return localCpuSeconds(kernel, user);
}

double fxSysProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return localCpuSeconds(kernel, user);
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
