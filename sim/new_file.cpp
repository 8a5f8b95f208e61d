// Exclusive creation of qxsim's output files.

#include "new_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qxsim {
namespace {

#ifdef _WIN32
// The C run-time's own names, whatever the POSIX ones are hidden behind.
int unlink(const char* path) {
    return ::_unlink(path);
}
int close(int fd) {
    return ::_close(fd);
}
std::FILE* fdopen(int fd, const char* mode) {
    return ::_fdopen(fd, mode);
}
#else
using ::close;
using ::fdopen;
using ::unlink;
#endif

int openNew(const std::string& path) {
#ifdef _WIN32
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                   _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
#endif
}

// An earlier run's file: a plain file of ours, nothing another name shares.
bool isEarlierOutput(const std::string& path) {
#ifdef _WIN32
    struct _stat64 info {};
    return ::_stat64(path.c_str(), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_uid == ::geteuid() && info.st_nlink == 1;
#endif
}

}  // namespace

bool removeEarlierOutput(const std::string& path) {
    if (isEarlierOutput(path)) {
        unlink(path.c_str());
    }
#ifdef _WIN32
    struct _stat64 info {};
    return ::_stat64(path.c_str(), &info) != 0;
#else
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0;
#endif
}

std::FILE* createOutputFile(const std::string& path, std::string& error) {
    int fd = openNew(path);
    if (fd < 0 && errno == EEXIST && isEarlierOutput(path) && unlink(path.c_str()) == 0) {
        fd = openNew(path);
    }
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (file == nullptr) {
        error = "cannot create '" + path + "': " +
                (errno == EEXIST || errno == ELOOP
                     ? std::string("something else of that name is there (a link, a folder or "
                                   "another user's file), left as it is")
                     : std::string(std::strerror(errno)));
        if (fd >= 0) {
            close(fd);
        }
    }
    return file;
}

bool writeOutputFile(const std::string& path, const std::string& text, std::string& error) {
    std::FILE* file = createOutputFile(path, error);
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace qxsim
