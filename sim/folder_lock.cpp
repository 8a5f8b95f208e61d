// The profile's lock on POSIX: flock() on the folder itself, so that every
// path to it meets the same lock and nothing is made in it or beside it. The
// kernel's list of locks (/proc/locks) names the holder to a second qxsim.

#include "folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace qxsim {
namespace {

// The process holding a flock() on the folder `st`, as /proc/locks lists it:
// "1: FLOCK  ADVISORY  WRITE 4242 fe:00:10970118 0 EOF".
std::string holderOf(const struct stat& st) {
    char id[64];
    std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    std::string number, kind, mode, access, pid, file;
    while (locks >> number >> kind) {
        if (kind != "->" && locks >> mode >> access >> pid >> file && kind == "FLOCK" &&
            file == id) {
            return pid;
        }
        locks.ignore(1 << 10, '\n');
    }
    return "unknown";
}

}  // namespace

FolderLock::~FolderLock() {
    if (mFd >= 0) {
        ::close(mFd);
    }
}

std::optional<std::string> FolderLock::take(const std::string& dir) {
    mFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mFd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        return "cannot lock the profile folder '" + dir + "': " +
               (errno == ENOTDIR ? std::string("it is no folder; --profile names a folder")
                                 : std::string(std::strerror(errno)));
    }
    if (::flock(mFd, LOCK_EX | LOCK_NB) == 0) {
        return std::nullopt;
    }
    const int reason = errno;
    struct stat st {};
    if (reason != EWOULDBLOCK || ::fstat(mFd, &st) != 0) {
        return "cannot lock the profile folder '" + dir + "': " + std::strerror(reason);
    }
    return "qxsim already runs in this folder (process " + holderOf(st) + "): its profile '" + dir +
           "' is in use";
}

}  // namespace qxsim
