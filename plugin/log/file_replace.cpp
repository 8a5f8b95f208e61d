// Safe replace of a user's file: link resolution, an exclusive temporary
// file beside the target, mode and owner kept, flushes, and the in-place
// fallback for a read-only folder. One implementation per platform API.
#include "file_replace.h"

#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

// Names tried for the temporary file before giving up: each taken one was
// left by someone else.
const int kTempTries = 100;
// The fixed temporary name of earlier versions: a regular file of that name
// is a leftover of ours.
const char* const kLegacyTempSuffix = ".tmp";

// Counts the temporary names of this process, so that each is fresh; only a
// hint, since the exclusive creation is what makes a name ours.
unsigned long gTempCount = 0;

#ifdef _WIN32
const char* const kSeparators = "\\/";
#else
const char* const kSeparators = "/";
#endif

std::string folderOf(const std::string& path) {
    const std::string::size_type cut = path.find_last_of(kSeparators);
    if (cut == std::string::npos) {
        return ".";
    }
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

// "<folder>/<name>.<process>-<count>.tmp"
std::string tempName(const std::string& target, unsigned long processId) {
    std::ostringstream name;
    name << target << '.' << processId << '-' << ++gTempCount << ".tmp";
    return name.str();
}

FileReplaceResult withStatus(FileReplaceResult result, FileReplaceStatus status, int error) {
    result.status = status;
    result.error = error;
    return result;
}

#ifdef _WIN32

typedef DWORD(WINAPI* FinalPathFn)(HANDLE, LPSTR, DWORD, DWORD);

// The path of the file a link names, without the "\\?\" prefix; false for a
// link to nothing, or where Windows cannot tell (before Vista).
bool finalPathOf(const std::string& path, std::string& target) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    // Through a generic function pointer: FARPROC has no parameters.
    const FinalPathFn finalPath = kernel != NULL
                                      ? reinterpret_cast<FinalPathFn>(reinterpret_cast<void (*)()>(
                                            GetProcAddress(kernel, "GetFinalPathNameByHandleA")))
                                      : NULL;
    if (finalPath == NULL) {
        return false;
    }
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[MAX_PATH * 4];
    const DWORD length = finalPath(file, buffer, sizeof buffer, 0 /* normalized, DOS volume */);
    CloseHandle(file);
    if (length == 0 || length >= sizeof buffer) {
        return false;
    }
    target.assign(buffer, length);
    if (target.compare(0, 8, "\\\\?\\UNC\\") == 0) {
        target = "\\\\" + target.substr(8);
    } else if (target.compare(0, 4, "\\\\?\\") == 0) {
        target = target.substr(4);
    }
    return true;
}

bool writeAll(HANDLE file, const std::string& text) {
    std::string::size_type done = 0;
    while (done < text.size()) {
        DWORD written = 0;
        const std::string::size_type rest = text.size() - done;
        const DWORD chunk = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
        if (!WriteFile(file, text.data() + done, chunk, &written, NULL) || written == 0) {
            return false;
        }
        done += written;
    }
    return FlushFileBuffers(file) != 0;
}

FileReplaceResult writeInPlace(FileReplaceResult result, const std::string& text) {
    HANDLE file = CreateFileA(result.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return withStatus(result, kFileNoTemporary, static_cast<int>(GetLastError()));
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) ||
        static_cast<unsigned long long>(size.QuadPart) < text.size()) {
        CloseHandle(file);
        return withStatus(result, kFileNoTemporary, 0);
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(text.size());
    const bool isWritten = writeAll(file, text) && SetFilePointerEx(file, end, NULL, FILE_BEGIN) &&
                           SetEndOfFile(file) && FlushFileBuffers(file);
    const int error = isWritten ? 0 : static_cast<int>(GetLastError());
    CloseHandle(file);
    return isWritten ? withStatus(result, kFileWrittenInPlace, 0)
                     : withStatus(result, kFileWriteFailed, error);
}

FileReplaceResult replace(FileReplaceResult result, const std::string& path,
                          const std::string& text) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    result.path = path;
    if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        !finalPathOf(path, result.path)) {
        return withStatus(result, kFileNotRegular, static_cast<int>(GetLastError()));
    }
    result.folder = folderOf(result.path);
    const DWORD targetAttributes = exists ? GetFileAttributesA(result.path.c_str()) : 0;
    if (exists && (targetAttributes == INVALID_FILE_ATTRIBUTES ||
                   (targetAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)) {
        return withStatus(result, kFileNotRegular, 0);
    }
    if (exists && (targetAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return withStatus(result, kFileReadOnly, 0);
    }
    const std::string legacy = result.path + kLegacyTempSuffix;
    const DWORD legacyAttributes = GetFileAttributesA(legacy.c_str());
    if (legacyAttributes != INVALID_FILE_ATTRIBUTES &&
        (legacyAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                             FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) == 0) {
        DeleteFileA(legacy.c_str());
    }

    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    for (int i = 0; i < kTempTries && file == INVALID_HANDLE_VALUE; ++i) {
        temp = tempName(result.path, GetCurrentProcessId());
        // CREATE_NEW: fails on anything already of that name, a link included.
        file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           NULL);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) {
            return exists ? writeInPlace(result, text)
                          : withStatus(result, kFileNotCreated, static_cast<int>(error));
        }
        return withStatus(result, error == ERROR_DISK_FULL ? kFileWriteFailed : kFileNotCreated,
                          static_cast<int>(error));
    }
    const bool isWritten = writeAll(file, text);
    error = isWritten ? 0 : GetLastError();
    if (!CloseHandle(file) && isWritten) {
        error = GetLastError();
    }
    if (error != 0) {
        DeleteFileA(temp.c_str());
        return withStatus(result, kFileWriteFailed, static_cast<int>(error));
    }
    // ReplaceFile keeps the old file's attributes, owner and security.
    const BOOL isMoved =
        exists ? ReplaceFileA(result.path.c_str(), temp.c_str(), NULL,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, NULL, NULL)
               : MoveFileExA(temp.c_str(), result.path.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!isMoved) {
        error = GetLastError();
        DeleteFileA(temp.c_str());
        return withStatus(result, kFileReplaceFailed, static_cast<int>(error));
    }
    return result;
}

#else  // POSIX

bool writeAll(int fd, const std::string& text) {
    std::string::size_type done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::string::size_type>(written);
    }
    return ::fsync(fd) == 0;
}

bool isSameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileReplaceResult writeInPlace(FileReplaceResult result, const struct stat& old,
                               const std::string& text) {
    // No O_TRUNC: the file keeps its length until the new text is in it.
    const int fd = ::open(result.path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return withStatus(result, kFileNoTemporary, errno);
    }
    struct stat now;
    if (::fstat(fd, &now) != 0 || !S_ISREG(now.st_mode) || !isSameFile(now, old) ||
        now.st_size < static_cast<off_t>(text.size())) {
        // Writing beyond the space the file has could fail half-way.
        ::close(fd);
        return withStatus(result, kFileNoTemporary, 0);
    }
    const bool isWritten = writeAll(fd, text) &&
                           ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 &&
                           ::fsync(fd) == 0;
    const int error = isWritten ? 0 : errno;
    ::close(fd);
    return isWritten ? withStatus(result, kFileWrittenInPlace, 0)
                     : withStatus(result, kFileWriteFailed, error);
}

void flushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

FileReplaceResult replace(FileReplaceResult result, const std::string& path,
                          const std::string& text) {
    struct stat old;
    result.path = path;
    bool exists = ::lstat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return withStatus(result, kFileNotCreated, errno);
    }
    if (exists && S_ISLNK(old.st_mode)) {
        // The file the link names, in its own folder; a link to nothing is
        // left alone rather than written through to wherever it points.
        char* real = ::realpath(path.c_str(), NULL);
        if (real == NULL) {
            return withStatus(result, kFileNotRegular, errno);
        }
        result.path = real;
        ::free(real);
        if (::stat(result.path.c_str(), &old) != 0) {
            return withStatus(result, kFileNotRegular, errno);
        }
    }
    result.folder = folderOf(result.path);
    if (exists && !S_ISREG(old.st_mode)) {
        return withStatus(result, kFileNotRegular, 0);
    }
    // Read-only as on Windows: no write permission for anyone, whoever runs
    // (root included), or none for this process.
    if (exists && ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                   ::access(result.path.c_str(), W_OK) != 0)) {
        return withStatus(result, kFileReadOnly, 0);
    }
    const std::string legacy = result.path + kLegacyTempSuffix;
    struct stat leftover;
    if (::lstat(legacy.c_str(), &leftover) == 0 && S_ISREG(leftover.st_mode) &&
        leftover.st_uid == ::geteuid()) {
        ::unlink(legacy.c_str());
    }

    std::string temp;
    int fd = -1;
    int error = 0;
    for (int i = 0; i < kTempTries && fd < 0; ++i) {
        temp = tempName(result.path, static_cast<unsigned long>(::getpid()));
        // O_EXCL with O_CREAT fails on anything of that name, a link to
        // nothing included; O_NOFOLLOW says so once more.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    exists ? 0600 : 0666);
        error = fd < 0 ? errno : 0;
        if (error != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        if (error == EACCES || error == EPERM || error == EROFS) {
            return exists ? writeInPlace(result, old, text)
                          : withStatus(result, kFileNotCreated, error);
        }
        return withStatus(
            result, error == ENOSPC || error == EDQUOT ? kFileWriteFailed : kFileNotCreated, error);
    }
    bool isWritten = writeAll(fd, text);
    if (isWritten && exists) {
        // The owner first: changing it clears the set-id bits of the mode.
        // A process that may not give the file away keeps it its own.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Neither: the new file stays the process's own.
        }
        isWritten = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    error = isWritten ? 0 : errno;
    if (::close(fd) != 0 && isWritten) {
        isWritten = false;
        error = errno;
    }
    if (!isWritten) {
        ::unlink(temp.c_str());
        return withStatus(result, kFileWriteFailed, error);
    }
    if (::rename(temp.c_str(), result.path.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        return withStatus(result, kFileReplaceFailed, error);
    }
    flushFolder(result.folder);
    return result;
}

#endif

}  // namespace

FileReplaceResult replaceFileText(const std::string& path, const std::string& text) {
    FileReplaceResult result;
    result.path = path;
    result.folder = folderOf(path);
    if (path.empty()) {
        return withStatus(result, kFileNotCreated, 0);
    }
    return replace(result, path, text);
}

bool isFileLink(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
#endif
}

std::string describeFileReplace(const FileReplaceResult& result) {
    const std::string leftAsItWas = "'" + result.path + "' is left as it was";
    const std::string noTemporary =
        "no temporary file can be made in the folder '" + result.folder + "'";
    switch (result.status) {
        case kFileReplaced:
            return std::string();
        case kFileWrittenInPlace:
            return noTemporary + ", so '" + result.path + "' was written in place";
        case kFileReadOnly:
            return "the file is read-only; " + leftAsItWas;
        case kFileNotRegular:
            return "'" + result.path +
                   "' is not a regular file (a folder, pipe, device or link to nothing); it is "
                   "left alone";
        case kFileNoTemporary:
            return noTemporary +
                   " (read-only?) and the new text does not fit in the file's place; " +
                   leftAsItWas;
        case kFileNotCreated:
            return "the file could not be created in the folder '" + result.folder + "'";
        case kFileWriteFailed:
            return "the new file could not be written completely (disk full?); " + leftAsItWas;
        case kFileReplaceFailed:
            return "the new file could not replace the old one; " + leftAsItWas;
    }
    return std::string();
}
