// The folder's lock on POSIX: a record lock on the whole lock file, which,
// unlike flock(), names its holder to a second qxsim.

#include "folder_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qxsim {

FolderLock::~FolderLock() {
    if (mFd >= 0) {
        ::close(mFd);
    }
}

std::optional<std::string> FolderLock::take(const std::string& dir) {
    const std::string path = (std::filesystem::path(dir) / kLockFileName).string();
    // A link in its place is not followed: the lock file is qxsim's own.
    mFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
    if (mFd < 0) {
        return "cannot make the lock file '" + path + "': " + std::strerror(errno);
    }
    for (;;) {
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (::fcntl(mFd, F_SETLK, &whole) == 0) {
            return std::nullopt;
        }
        if (errno != EACCES && errno != EAGAIN) {
            return "cannot lock '" + path + "': " + std::strerror(errno);
        }
        if (::fcntl(mFd, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK) {
            return "qxsim already runs in this folder (process " + std::to_string(whole.l_pid) +
                   ")";
        }
        // The holder ended in between: try again.
    }
}

}  // namespace qxsim
