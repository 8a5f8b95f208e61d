// The Windows file functions of the module on POSIX: file attributes, the
// real time in the file system's unit, the last error from errno, and the
// handles the module replaces a user's file with, over file descriptors, with
// the Windows meanings (an exclusive creation that never follows a link, a
// read-only attribute, a replace that keeps the old file's mode and owner, a
// move that replaces nothing unless asked), folder listings and the question
// whether a process still runs.
#include <windows.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "files.h"
#include "win32_control.h"

namespace {

thread_local DWORD tLastError = 0;

// An open file, folder listing or process: the handle is the object's
// address.
struct FileObject {
    int fd = -1;
    bool isReadable = false;  // opened with GENERIC_READ
    pid_t process = 0;        // a process handle has no descriptor
    DIR* folder = nullptr;    // a listing of FindFirstFileA
    std::string folderPath;   // the listed folder, with its separator
    std::string pattern;
};

// The kill of killAtFileChange(): the call at which it comes, and the calls
// counted so far.
std::atomic<int> gKillAtChange{0};
std::atomic<int> gFileChanges{0};

std::mutex& filesLock() {
    static std::mutex lock;
    return lock;
}

std::set<FileObject*>& liveFiles() {
    static std::set<FileObject*> files;
    return files;
}

FileObject* findFile(HANDLE handle) {
    std::lock_guard<std::mutex> guard(filesLock());
    auto* file = static_cast<FileObject*>(handle);
    return liveFiles().count(file) != 0 ? file : nullptr;
}

HANDLE registerObject(FileObject* object) {
    std::lock_guard<std::mutex> guard(filesLock());
    liveFiles().insert(object);
    return object;
}

// Called first by every function that changes the file system.
void countFileChange() {
    const int killAt = gKillAtChange.load();
    if (killAt > 0 && gFileChanges.fetch_add(1) + 1 == killAt) {
        ::kill(::getpid(), SIGKILL);
    }
}

DWORD errorOf(int error) {
    switch (error) {
        case 0:
            return 0;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ESRCH:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_INVALID_NAME;
    }
}

BOOL fail(int error) {
    errno = error;
    tLastError = errorOf(error);
    return FALSE;
}

BOOL succeed() {
    tLastError = 0;
    return TRUE;
}

// 100 ns units since 1601-01-01.
FILETIME fileTimeOf(const timespec& time) {
    const uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
    const uint64_t ticks =
        (static_cast<uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
        static_cast<uint64_t>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The times of a file's status, into any of Windows's structures that carry them.
template <typename Info>
void setTimes(Info& info, const struct stat& st) {
    info.ftCreationTime = fileTimeOf(st.st_ctim);
    info.ftLastAccessTime = fileTimeOf(st.st_atim);
    info.ftLastWriteTime = fileTimeOf(st.st_mtim);
}

// Its size, as the two halves those structures carry.
template <typename Info>
void setSize(Info& info, const struct stat& st) {
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    info.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info.nFileSizeLow = static_cast<DWORD>(size);
}

// The kind a file's mode gives, as Windows names it: a folder, or a plain
// file for everything else. Windows keeps FILE_ATTRIBUTE_DEVICE for itself
// and sets it for neither a named pipe nor COM1: only the type of an opened
// handle (GetFileType) tells those from a file on disk.
DWORD kindAttributesOf(const struct stat& st) {
    return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

// What GetFileAttributesA gives for a name whose lstat(2) is st.
DWORD attributesOf(const char* path, const struct stat& st) {
    if (S_ISLNK(st.st_mode)) {
        return FILE_ATTRIBUTE_REPARSE_POINT;
    }
    const DWORD kind = kindAttributesOf(st);
    if (kind != FILE_ATTRIBUTE_NORMAL) {
        return kind;
    }
    const bool isReadOnly =
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path, W_OK) != 0;
    return isReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

// Windows wildcards: "*" any run of characters, "?" any one.
bool matchesPattern(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == '\0';
}

// The next name of a listing that matches its pattern.
bool nextMatch(FileObject& find, WIN32_FIND_DATAA& data) {
    while (const dirent* entry = ::readdir(find.folder)) {
        const std::string path = find.folderPath + entry->d_name;
        struct stat st {};
        if (!matchesPattern(find.pattern.c_str(), entry->d_name) ||
            ::lstat(path.c_str(), &st) != 0) {
            continue;
        }
        data = WIN32_FIND_DATAA{};
        data.dwFileAttributes = attributesOf(path.c_str(), st);
        setTimes(data, st);
        setSize(data, st);
        std::strncpy(data.cFileName, entry->d_name, sizeof data.cFileName - 1);
        return true;
    }
    return false;
}

std::string folderOf(const std::string& path) {
    const std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? "." : (cut == 0 ? "/" : path.substr(0, cut));
}

void flushFolder(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

namespace win32sim::detail {

bool closeFileHandle(HANDLE handle) {
    FileObject* file = nullptr;
    {
        std::lock_guard<std::mutex> guard(filesLock());
        file = static_cast<FileObject*>(handle);
        if (liveFiles().erase(file) == 0) {
            return false;
        }
    }
    const int rc = file->fd >= 0 ? ::close(file->fd) : 0;
    if (file->folder != nullptr) {
        ::closedir(file->folder);
    }
    delete file;
    if (rc != 0) {
        return fail(errno);
    }
    return succeed();
}

}  // namespace win32sim::detail

int win32sim::openFileHandleCount() {
    std::lock_guard<std::mutex> guard(filesLock());
    return static_cast<int>(liveFiles().size());
}

void win32sim::killAtFileChange(int n) {
    gFileChanges = 0;
    gKillAtChange = n;
}

extern "C" {

DWORD WINAPI GetLastError(void) {
    return tLastError;
}

void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    *lpSystemTimeAsFileTime = fileTimeOf(now);
}

BOOL WINAPI GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                 LPVOID lpFileInformation) {
    if (lpFileName == nullptr || fInfoLevelId != GetFileExInfoStandard ||
        lpFileInformation == nullptr) {
        tLastError = ERROR_INVALID_NAME;
        return FALSE;
    }
    struct stat st;
    if (stat(lpFileName, &st) != 0) {
        return fail(errno);
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    data.dwFileAttributes = kindAttributesOf(st);
    if (data.dwFileAttributes == FILE_ATTRIBUTE_NORMAL) {
        setSize(data, st);
    }
    setTimes(data, st);
    *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(lpFileInformation) = data;
    tLastError = 0;
    return TRUE;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                          LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                          DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                          HANDLE hTemplateFile) {
    if (lpFileName == nullptr) {
        fail(ENOENT);
        return INVALID_HANDLE_VALUE;
    }
    const bool isWrite = (dwDesiredAccess & GENERIC_WRITE) != 0;
    const bool isRead = (dwDesiredAccess & GENERIC_READ) != 0;
    // Access 0 needs no permission on the file and opens a pipe without
    // taking a side of it.
    const int access = isWrite ? (isRead ? O_RDWR : O_WRONLY) : isRead ? O_RDONLY : O_PATH;
    int flags = access | O_CLOEXEC | O_NONBLOCK;
    switch (dwCreationDisposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_EXISTING:
            break;
        default:
            fail(EINVAL);
            return INVALID_HANDLE_VALUE;
    }
    mode_t mode = 0666;
    const bool hasTemplate = dwCreationDisposition == CREATE_NEW && hTemplateFile != nullptr;
    if (hasTemplate) {
        const FileObject* model = findFile(hTemplateFile);
        struct stat modelStat {};
        if (model == nullptr || !model->isReadable || ::fstat(model->fd, &modelStat) != 0) {
            fail(EACCES);
            return INVALID_HANDLE_VALUE;
        }
        mode = modelStat.st_mode & 0777;
    }
    if ((flags & O_CREAT) != 0) {
        countFileChange();
    }
    const int fd = ::open(lpFileName, flags, mode);
    if (fd < 0) {
        fail(errno);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail(EACCES);
        return INVALID_HANDLE_VALUE;
    }
    if (hasTemplate) {
        ::fchmod(fd, mode);  // past the umask; the file is still empty
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    auto* file = new FileObject;
    file->fd = fd;
    file->isReadable = isRead;
    succeed();
    return registerObject(file);
}

DWORD WINAPI GetFileType(HANDLE hFile) {
    FileObject* file = findFile(hFile);
    struct stat st {};
    if (file == nullptr || ::fstat(file->fd, &st) != 0) {
        tLastError = ERROR_INVALID_HANDLE;
        return FILE_TYPE_UNKNOWN;
    }
    tLastError = 0;
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
        return FILE_TYPE_DISK;
    }
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        return FILE_TYPE_PIPE;
    }
    return S_ISCHR(st.st_mode) ? FILE_TYPE_CHAR : FILE_TYPE_UNKNOWN;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    FileObject* file = findFile(hFile);
    if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = 0;
    }
    if (file == nullptr || lpOverlapped != nullptr) {
        return fail(EBADF);
    }
    countFileChange();
    const char* bytes = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        const ssize_t n = ::write(file->fd, bytes + done, nNumberOfBytesToWrite - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail(n < 0 ? errno : ENOSPC);
        }
        done += static_cast<DWORD>(n);
        if (lpNumberOfBytesWritten != nullptr) {
            *lpNumberOfBytesWritten = done;
        }
    }
    return succeed();
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    FileObject* file = findFile(hFile);
    if (file == nullptr) {
        return fail(EBADF);
    }
    countFileChange();
    return ::fsync(file->fd) == 0 ? succeed() : fail(errno);
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    FileObject* file = findFile(hFile);
    struct stat st {};
    if (file == nullptr || lpFileSize == nullptr) {
        return fail(EBADF);
    }
    if (::fstat(file->fd, &st) != 0) {
        return fail(errno);
    }
    lpFileSize->QuadPart = st.st_size;
    return succeed();
}

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                             PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod) {
    FileObject* file = findFile(hFile);
    if (file == nullptr || dwMoveMethod > 2) {
        return fail(EBADF);
    }
    const int whence =
        dwMoveMethod == FILE_BEGIN ? SEEK_SET : (dwMoveMethod == 1 ? SEEK_CUR : SEEK_END);
    const off_t at = ::lseek(file->fd, static_cast<off_t>(liDistanceToMove.QuadPart), whence);
    if (at < 0) {
        return fail(errno);
    }
    if (lpNewFilePointer != nullptr) {
        lpNewFilePointer->QuadPart = at;
    }
    return succeed();
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    FileObject* file = findFile(hFile);
    if (file == nullptr) {
        return fail(EBADF);
    }
    countFileChange();
    const off_t at = ::lseek(file->fd, 0, SEEK_CUR);
    return at >= 0 && ::ftruncate(file->fd, at) == 0 ? succeed() : fail(errno);
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    struct stat st {};
    if (lpFileName == nullptr || ::lstat(lpFileName, &st) != 0) {
        fail(lpFileName == nullptr ? ENOENT : errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    succeed();
    return attributesOf(lpFileName, st);
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    struct stat st {};
    if (lpFileName == nullptr || ::lstat(lpFileName, &st) != 0) {
        return fail(lpFileName == nullptr ? ENOENT : errno);
    }
    countFileChange();
    if (S_ISDIR(st.st_mode)) {
        return fail(EACCES);
    }
    return ::unlink(lpFileName) == 0 ? succeed() : fail(errno);
}

BOOL WINAPI ReplaceFileA(LPCSTR lpReplacedFileName, LPCSTR lpReplacementFileName,
                         LPCSTR lpBackupFileName, DWORD /*dwReplaceFlags*/, LPVOID /*lpExclude*/,
                         LPVOID /*lpReserved*/) {
    if (lpReplacedFileName == nullptr || lpReplacementFileName == nullptr ||
        lpBackupFileName != nullptr) {
        return fail(EINVAL);
    }
    struct stat old {};
    if (::stat(lpReplacedFileName, &old) != 0) {
        return fail(errno);
    }
    countFileChange();
    // The owner first: changing it clears the set-id bits of the mode. A
    // process that may not give the file away keeps it its own.
    if (::chown(lpReplacementFileName, old.st_uid, old.st_gid) != 0 &&
        ::chown(lpReplacementFileName, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither: the new file stays the process's own, as on Windows.
    }
    if (::chmod(lpReplacementFileName, old.st_mode & 07777) != 0 ||
        ::rename(lpReplacementFileName, lpReplacedFileName) != 0) {
        const int error = errno;
        fail(error);
        tLastError = ERROR_UNABLE_TO_REMOVE_REPLACED;
        return FALSE;
    }
    flushFolder(lpReplacedFileName);
    return succeed();
}

DWORD WINAPI GetFinalPathNameByHandleA(HANDLE hFile, LPSTR lpszFilePath, DWORD cchFilePath,
                                       DWORD /*dwFlags*/) {
    FileObject* file = findFile(hFile);
    if (file == nullptr) {
        fail(EBADF);
        return 0;
    }
    const std::string link = "/proc/self/fd/" + std::to_string(file->fd);
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), path.data(), path.size());
        if (length <= 0) {
            fail(length < 0 ? errno : ENOENT);
            return 0;
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    succeed();
    if (path.size() >= cchFilePath) {
        return static_cast<DWORD>(path.size()) + 1;
    }
    path.copy(lpszFilePath, path.size());
    lpszFilePath[path.size()] = '\0';
    return static_cast<DWORD>(path.size());
}

BOOL WINAPI GetFileInformationByHandle(HANDLE hFile,
                                       LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
    const FileObject* file = findFile(hFile);
    struct stat st {};
    if (file == nullptr || file->fd < 0 || lpFileInformation == nullptr) {
        return fail(EBADF);
    }
    if (::fstat(file->fd, &st) != 0) {
        return fail(errno);
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    info.dwFileAttributes = kindAttributesOf(st);
    setTimes(info, st);
    info.dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
    setSize(info, st);
    info.nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
    const uint64_t index = static_cast<uint64_t>(st.st_ino);
    info.nFileIndexHigh = static_cast<DWORD>(index >> 32);
    info.nFileIndexLow = static_cast<DWORD>(index);
    *lpFileInformation = info;
    return succeed();
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    if (lpExistingFileName == nullptr || lpNewFileName == nullptr) {
        return fail(EINVAL);
    }
    countFileChange();
    struct stat st {};
    const bool isTaken = ::lstat(lpNewFileName, &st) == 0;
    int error = 0;
    if ((dwFlags & MOVEFILE_REPLACE_EXISTING) != 0 && !(isTaken && S_ISDIR(st.st_mode))) {
        error = ::rename(lpExistingFileName, lpNewFileName) == 0 ? 0 : errno;
    } else if (isTaken) {
        error = EEXIST;
    } else if (::renameat2(AT_FDCWD, lpExistingFileName, AT_FDCWD, lpNewFileName,
                           RENAME_NOREPLACE) != 0) {
        error = errno;
        if (error == EINVAL || error == ENOSYS) {
            // A file system without the one-step check: checked just before.
            error = ::rename(lpExistingFileName, lpNewFileName) == 0 ? 0 : errno;
        }
    }
    if (error != 0) {
        fail(error);
        if (error == EEXIST) {
            tLastError = ERROR_ALREADY_EXISTS;
        }
        return FALSE;
    }
    if ((dwFlags & MOVEFILE_WRITE_THROUGH) != 0) {
        flushFolder(lpNewFileName);
    }
    return succeed();
}

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (lpFileName == nullptr || lpFindFileData == nullptr) {
        fail(EINVAL);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = lpFileName;
    const std::size_t cut = path.find_last_of('/');
    auto* find = new FileObject;
    find->folderPath = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    find->pattern = path.substr(cut == std::string::npos ? 0 : cut + 1);
    find->folder = ::opendir(find->folderPath.empty() ? "." : find->folderPath.c_str());
    if (find->folder == nullptr) {
        const int error = errno;
        delete find;
        fail(error);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE handle = registerObject(find);
    if (!nextMatch(*find, *lpFindFileData)) {
        win32sim::detail::closeFileHandle(handle);
        fail(ENOENT);
        return INVALID_HANDLE_VALUE;
    }
    succeed();
    return handle;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    FileObject* find = findFile(hFindFile);
    if (find == nullptr || find->folder == nullptr || lpFindFileData == nullptr) {
        return fail(EBADF);
    }
    if (!nextMatch(*find, *lpFindFileData)) {
        tLastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    return succeed();
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
    const FileObject* find = findFile(hFindFile);
    if (find == nullptr || find->folder == nullptr) {
        return fail(EBADF);
    }
    return win32sim::detail::closeFileHandle(hFindFile) ? TRUE : FALSE;
}

HANDLE WINAPI OpenProcess(DWORD /*dwDesiredAccess*/, BOOL /*bInheritHandle*/, DWORD dwProcessId) {
    const pid_t pid = static_cast<pid_t>(dwProcessId);
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH)) {
        fail(ESRCH);
        return nullptr;
    }
    auto* process = new FileObject;
    process->process = pid;
    succeed();
    return registerObject(process);
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
    const FileObject* process = findFile(hProcess);
    if (process == nullptr || process->process == 0 || lpExitCode == nullptr) {
        return fail(EBADF);
    }
    // The exit code itself is not kept: 0 once it has ended.
    const bool isRunning = ::kill(process->process, 0) == 0 || errno == EPERM;
    *lpExitCode = isRunning ? STILL_ACTIVE : 0;
    return succeed();
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    static int kernel;
    if (lpModuleName != nullptr && strcasecmp(lpModuleName, "kernel32.dll") == 0) {
        return reinterpret_cast<HMODULE>(&kernel);
    }
    fail(ENOENT);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (hModule == nullptr || lpProcName == nullptr) {
        fail(EINVAL);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(::dlsym(RTLD_DEFAULT, lpProcName));
}

}  // extern "C"
