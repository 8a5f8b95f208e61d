// Which paths the module may open: opening a pipe or a device can block the
// host's thread for ever, so every file the module opens is checked here
// first. Any thread.
#pragma once

#include <string>

#include <windows.h>

// No file the module reads comes near this size; a bigger one is not read at
// all, so that a runaway file (or a link to an endless device) cannot stall
// the host's thread.
const UINT64 kMaxReadFileBytes = 8u * 1024u * 1024u;

// True when path names a regular file or nothing at all (a file that may be
// created); false for a folder, a pipe, a device, a socket, or a path whose
// kind cannot be told.
inline bool isRegularOrMissing(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// True when path names a regular file; `data` then holds its attributes,
// size and times.
inline bool regularFileData(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

inline UINT64 fileSizeOf(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    return (static_cast<UINT64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// True when path names a regular file.
inline bool isRegularFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return regularFileData(path, data);
}

// True when path names a regular file that may be read: at most
// kMaxReadFileBytes long.
inline bool isReadableRegularFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return regularFileData(path, data) && fileSizeOf(data) <= kMaxReadFileBytes;
}
