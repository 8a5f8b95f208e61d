// One qxsim per profile: an exclusive lock on the profile folder itself,
// whatever path or link names it, taken before anything of the session is
// written. The system releases it when the process ends, however it ends.
// Main thread.
#pragma once

#include <optional>
#include <string>

namespace qxsim {

// The Windows build locks a file of this name inside the folder.
inline constexpr const char* kLockFileName = "qxsim.lock";

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock on the folder `dir` (a missing one is not locked: the
    // module writes nothing there); returns why not: another qxsim holds it,
    // named by its process id, or the folder cannot be locked.
    std::optional<std::string> take(const std::string& dir);

private:
    int mFd = -1;  // the folder (the lock file on Windows), open while the lock is held
};

}  // namespace qxsim
