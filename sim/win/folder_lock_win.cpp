// The profile's lock in the Windows build: a byte locked far past the end of
// the lock file qxsim.lock inside the profile folder (a locked byte cannot be
// read by another process), and the holder's process id written at its
// start for a second qxsim to name.

#include "folder_lock.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <filesystem>

namespace qxsim {

namespace {

constexpr DWORD kLockedByte = 1u << 20;

}  // namespace

FolderLock::~FolderLock() {
    if (mFd >= 0) {
        _close(mFd);
    }
}

std::optional<std::string> FolderLock::take(const std::string& dir) {
    if (!std::filesystem::is_directory(dir)) {
        return std::nullopt;  // the module writes nothing there
    }
    const std::filesystem::path path = std::filesystem::path(dir) / kLockFileName;
    // Made where it is new, never opened through a link.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (const DWORD how : {CREATE_NEW, OPEN_EXISTING}) {
        file = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, how,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (file == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        const DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
        return "cannot make the lock file '" + path.string() +
               (error != 0 ? "': error " + std::to_string(error) : "': it is a link");
    }
    // The C run-time's descriptor owns the handle from here on.
    mFd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR);
    OVERLAPPED at{};
    at.Offset = kLockedByte;
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const std::string pid = std::to_string(GetCurrentProcessId());
        DWORD written = 0;
        SetEndOfFile(file);
        WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
        return std::nullopt;
    }
    char text[16] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    return "qxsim already runs in this folder (process " +
           (read > 0 ? std::string(text, read) : std::string("?")) + "): its profile '" + dir +
           "' is in use";
}

}  // namespace qxsim
