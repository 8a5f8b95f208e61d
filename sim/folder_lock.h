// One qxsim per folder: an exclusive lock on the file qxsim.lock in the
// folder that holds the profile (and the transcript, unless it is given),
// taken before anything of the session is written. The system releases it
// when the process ends, however it ends. Main thread.
#pragma once

#include <optional>
#include <string>

namespace qxsim {

inline constexpr const char* kLockFileName = "qxsim.lock";

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock in `dir`; returns why not (another qxsim holds it,
    // named by its process id, or the file cannot be made).
    std::optional<std::string> take(const std::string& dir);

private:
    int mFd = -1;  // the lock file, open while the lock is held
};

}  // namespace qxsim
