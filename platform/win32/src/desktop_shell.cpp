// Message box, beep, module path and file opening of the <windows.h>
// stand-in. Boxes and beeps are recorded (and written to the transcript)
// instead of shown or sounded; the module path is the real path of the
// shared object; a folder cannot be opened as a file, as on Windows.

#include <windows.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "desktop_detail.h"
#include "win32_control.h"
#include "transcript.h"
#include "win32_desktop_control.h"

namespace {

struct ShellRecords {
    std::mutex lock;
    std::vector<win32sim::ShownMessageBox> boxes;
    std::vector<win32sim::SoundedBeep> beeps;
};

ShellRecords& records() {
    static ShellRecords r;
    return r;
}

bool isFolder(const char* path) {
    struct stat st {};
    return path != nullptr && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// The run-time library's open flags in POSIX terms.
int toPosixFlags(int oflag) {
    int flags = 0;
    switch (oflag & (_O_WRONLY | _O_RDWR)) {
        case _O_WRONLY:
            flags = O_WRONLY;
            break;
        case _O_RDWR:
            flags = O_RDWR;
            break;
        default:
            flags = O_RDONLY;
            break;
    }
    if (oflag & _O_APPEND) {
        flags |= O_APPEND;
    }
    if (oflag & _O_CREAT) {
        flags |= O_CREAT;
    }
    if (oflag & _O_TRUNC) {
        flags |= O_TRUNC;
    }
    if (oflag & _O_EXCL) {
        flags |= O_EXCL;
    }
    return flags;
}

// Absolute path of the file that holds `address`, or of the executable.
std::string modulePath(const void* address) {
    char resolved[PATH_MAX];
    if (address == nullptr) {
        const ssize_t n = ::readlink("/proc/self/exe", resolved, sizeof resolved - 1);
        if (n <= 0) {
            return {};
        }
        return std::string(resolved, static_cast<std::size_t>(n));
    }
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    if (::realpath(info.dli_fname, resolved) == nullptr) {
        return info.dli_fname;
    }
    return resolved;
}

}  // namespace

extern "C" {

int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    (void)hWnd;
    win32sim::ShownMessageBox box{lpText != nullptr ? lpText : L"",
                                  lpCaption != nullptr ? lpCaption : L"Error", uType};
    transcript::emit("messagebox", transcript::Fields()
                                       .str("text", win32sim::wideToUtf8(box.text))
                                       .str("caption", win32sim::wideToUtf8(box.caption)));
    std::lock_guard<std::mutex> lock(records().lock);
    records().boxes.push_back(std::move(box));
    return IDOK;
}

BOOL WINAPI Beep(DWORD dwFreq, DWORD dwDuration) {
    transcript::emit("beep",
                     transcript::Fields().uinteger("freq", dwFreq).uinteger("ms", dwDuration));
    std::lock_guard<std::mutex> lock(records().lock);
    records().beeps.push_back({dwFreq, dwDuration});
    return TRUE;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    if (lpFilename == nullptr || nSize == 0) {
        return 0;
    }
    const std::wstring path = win32sim::detail::ansiToWide(modulePath(hModule));
    if (path.empty()) {
        lpFilename[0] = L'\0';
        return 0;
    }
    if (path.size() >= nSize) {
        path.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = L'\0';
        return nSize;
    }
    path.copy(lpFilename, path.size());
    lpFilename[path.size()] = L'\0';
    return static_cast<DWORD>(path.size());
}

int _open(const char* filename, int oflag, ...) {
    if (filename == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (isFolder(filename)) {
        errno = EACCES;
        return -1;
    }
    mode_t mode = 0;
    if (oflag & _O_CREAT) {
        va_list args;
        va_start(args, oflag);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    // Windows has no pipes in the file system: opening one here must not
    // wait for a writer. The flag is dropped again once the file is open.
    const int fd = ::open(filename, toPosixFlags(oflag) | O_NONBLOCK, mode);
    if (fd >= 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

int _close(int fd) {
    return ::close(fd);
}

// fopen as the Windows run-time has it, for code linked with
// -Wl,--wrap=fopen: a folder cannot be opened (errno EACCES); everything
// else is the C library's fopen.
FILE* __wrap_fopen(const char* filename, const char* mode) {
    if (isFolder(filename)) {
        errno = EACCES;
        return nullptr;
    }
    return std::fopen(filename, mode);
}

}  // extern "C"

namespace win32sim {

std::vector<ShownMessageBox> shownMessageBoxes() {
    std::lock_guard<std::mutex> lock(records().lock);
    return records().boxes;
}

std::vector<SoundedBeep> soundedBeeps() {
    std::lock_guard<std::mutex> lock(records().lock);
    return records().beeps;
}

void resetDesktop() {
    detail::resetDesktopWindows();
    std::lock_guard<std::mutex> lock(records().lock);
    records().boxes.clear();
    records().beeps.clear();
}

}  // namespace win32sim

// ---- The environment ----------------------------------------------------------------
namespace {

struct WideEnvironment {
    std::mutex lock;
    std::map<std::wstring, std::wstring> values;
};
WideEnvironment& wideEnvironment() {
    static WideEnvironment* const theEnvironment = new WideEnvironment;
    return *theEnvironment;
}

}  // namespace

void win32sim::setWideEnvironment(const std::wstring& name, const std::wstring& value) {
    std::string narrow;
    for (const wchar_t c : value) {
        char byte = '?';
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &c, 1, &byte, 1, "?", nullptr);
        narrow += byte;
    }
    setenv(wideToUtf8(name).c_str(), narrow.c_str(), 1);
    std::lock_guard<std::mutex> guard(wideEnvironment().lock);
    wideEnvironment().values[name] = value;
}

void win32sim::resetEnvironment() {
    std::lock_guard<std::mutex> guard(wideEnvironment().lock);
    wideEnvironment().values.clear();
}

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
    if (lpName == nullptr) {
        return 0;
    }
    std::wstring value;
    {
        WideEnvironment& env = wideEnvironment();
        std::lock_guard<std::mutex> guard(env.lock);
        const auto it = env.values.find(lpName);
        if (it != env.values.end()) {
            value = it->second;
        } else {
            const char* narrow = std::getenv(win32sim::wideToUtf8(lpName).c_str());
            if (narrow == nullptr) {
                return 0;
            }
            value = win32sim::detail::ansiToWide(narrow);
        }
    }
    if (lpBuffer == nullptr || value.size() >= nSize) {
        return static_cast<DWORD>(value.size() + 1);
    }
    value.copy(lpBuffer, value.size());
    lpBuffer[value.size()] = L'\0';
    return static_cast<DWORD>(value.size());
}
