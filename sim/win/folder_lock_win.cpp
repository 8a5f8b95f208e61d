// The folder's lock in the Windows build: a byte locked far past the end of
// the lock file (a locked byte cannot be read by another process), and the
// holder's process id written at its start for a second qxsim to name.

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
    const std::filesystem::path path = std::filesystem::path(dir) / kLockFileName;
    const HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "cannot make the lock file '" + path.string() + "': error " +
               std::to_string(GetLastError());
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
           (read > 0 ? std::string(text, read) : std::string("?")) + ")";
}

}  // namespace qxsim
