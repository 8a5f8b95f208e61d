// qxsim's files on POSIX: O_EXCL and O_NOFOLLOW for new ones, fstat on the
// open descriptor (never on the name) before a file is read or an earlier one
// emptied, and a record lock, which names its holder, on the transcript.

#include "own_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qxsim {
namespace {

// Why the open file is none of qxsim's earlier files; empty when it is one.
std::string notOwn(int fd, std::string_view head) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return S_ISDIR(st.st_mode) ? "it is a folder" : "it is no regular file";
    }
    if (st.st_uid != ::geteuid()) {
        return "it belongs to another user";
    }
    if (st.st_nlink != 1) {
        return "it has another name (a hard link) that qxsim did not make";
    }
    std::string start(head.size(), '\0');
    if (st.st_size != 0 &&
        (::pread(fd, start.data(), start.size(), 0) != static_cast<ssize_t>(start.size()) ||
         start != head)) {
        return "it is no file qxsim wrote, and qxsim replaces only its own: name another file "
               "or folder for it";
    }
    return {};
}

// Locks the whole file for this process; else says who holds it.
std::string lockFile(int fd, const std::string& path) {
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &whole) == 0) {
        return {};
    }
    if (errno != EACCES && errno != EAGAIN) {
        return "cannot lock '" + path + "': " + std::strerror(errno);
    }
    const bool known = ::fcntl(fd, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
    return "qxsim already writes '" + path + "' (process " +
           (known ? std::to_string(whole.l_pid) : std::string("unknown")) + ")";
}

}  // namespace

bool readRegularFile(const std::string& path, std::size_t maxBytes, std::string& text,
                     std::string& error) {
    // O_NONBLOCK: a pipe is opened without waiting for a writer, then refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode)                          ? "it is a folder"
                : S_ISFIFO(st.st_mode)                       ? "it is a pipe"
                : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "it is a device"
                                                             : "it is no regular file";
    } else {
        text.clear();
        char buffer[1 << 16];
        ssize_t got = 1;
        while (got > 0 && text.size() <= maxBytes) {
            got = ::read(fd, buffer, std::min(sizeof buffer, maxBytes + 1 - text.size()));
            text.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
        }
        error = got < 0 ? std::strerror(errno) : "";
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return error.empty();
}

int createNewFile(const std::string& path, unsigned mode) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                  mode);
}

std::FILE* openOwnFile(const std::string& path, std::string_view head, const std::string& what,
                       bool lock, std::string& error) {
    const std::string cannot = "cannot write " + what + " '" + path + "': ";
    int fd = createNewFile(path);
    const bool created = fd >= 0;
    if (!created && errno == EEXIST) {
        // O_NONBLOCK: a pipe put in its place does not hold qxsim up.
        fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    }
    if (fd < 0) {
        error = cannot + (errno == ELOOP    ? "it is a link, and qxsim writes through no link"
                          : errno == EISDIR ? "it is a folder"
                                            : std::strerror(errno));
        return nullptr;
    }
    std::string why = lock ? lockFile(fd, path) : std::string();
    if (why.empty() && !created) {
        if (const std::string reason = notOwn(fd, head); !reason.empty()) {
            why = cannot + reason;
        } else if (::ftruncate(fd, 0) != 0) {
            why = cannot + std::strerror(errno);
        }
    }
    std::FILE* file = why.empty() ? ::fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        error = why.empty() ? cannot + std::strerror(errno) : why;
        ::close(fd);
    }
    return file;
}

bool removeOwnFile(const std::string& path, std::string_view head, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT) {
        return true;
    }
    std::string why =
        fd < 0 ? (errno == ELOOP ? "it is a link, and qxsim removes no link" : std::strerror(errno))
               : notOwn(fd, head);
    if (fd >= 0) {
        ::close(fd);
    }
    if (why.empty() && ::unlink(path.c_str()) != 0) {
        why = std::strerror(errno);
    }
    if (!why.empty()) {
        error = "cannot remove '" + path + "': " + why;
    }
    return why.empty();
}

std::FILE* openTranscriptFile(const std::string& path, std::string& error) {
    // A device (/dev/null, /dev/full) holds no file to lose: written as it is.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        std::FILE* device = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
        if (device == nullptr) {
            error = "cannot write the transcript '" + path + "': " + std::strerror(errno);
        }
        return device;
    }
    return openOwnFile(path, "{\"t\":", "the transcript", true, error);
}

}  // namespace qxsim
