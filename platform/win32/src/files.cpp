// File attributes on the POSIX file system, the last error they leave, and
// the real time in the file system's unit.
#include <sys/stat.h>

#include <time.h>

#include <cerrno>

#include <windows.h>

namespace {

thread_local DWORD tLastError = 0;

DWORD errorOfErrno(int err) {
    switch (err) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_INVALID_NAME;
    }
}

// 100 ns units since 1601-01-01.
FILETIME fileTimeOf(const timespec& time) {
    const uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
    const uint64_t ticks =
        (static_cast<uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
        static_cast<uint64_t>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

extern "C" void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    *lpSystemTimeAsFileTime = fileTimeOf(now);
}

extern "C" DWORD WINAPI GetLastError(void) {
    return tLastError;
}

extern "C" BOOL WINAPI GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                            LPVOID lpFileInformation) {
    if (lpFileName == nullptr || fInfoLevelId != GetFileExInfoStandard ||
        lpFileInformation == nullptr) {
        tLastError = ERROR_INVALID_NAME;
        return FALSE;
    }
    struct stat st;
    if (stat(lpFileName, &st) != 0) {
        tLastError = errorOfErrno(errno);
        return FALSE;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (S_ISDIR(st.st_mode)) {
        data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    } else if (S_ISREG(st.st_mode)) {
        data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
    } else {
        data.dwFileAttributes = FILE_ATTRIBUTE_DEVICE;
    }
    data.ftCreationTime = fileTimeOf(st.st_ctim);
    data.ftLastAccessTime = fileTimeOf(st.st_atim);
    data.ftLastWriteTime = fileTimeOf(st.st_mtim);
    *static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(lpFileInformation) = data;
    tLastError = 0;
    return TRUE;
}
