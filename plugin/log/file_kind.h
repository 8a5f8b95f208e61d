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

// The type of the file at path as its opened handle tells it (GetFileType),
// opened for no access at all, so that neither a pipe nor a device is read
// or waited for: FILE_TYPE_DISK for a file on disk; FILE_TYPE_PIPE,
// FILE_TYPE_CHAR (COM1, a console) or FILE_TYPE_UNKNOWN otherwise. A folder
// does not open without backup semantics. Its attributes cannot tell: Windows
// sets FILE_ATTRIBUTE_DEVICE for none of them. FILE_TYPE_UNKNOWN with `error`
// set when it cannot be opened.
inline DWORD openedFileType(const std::string& path, DWORD& error) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return FILE_TYPE_UNKNOWN;
    }
    error = 0;
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    return type;
}

// True when path names a regular file or nothing at all (a file that may be
// created); false for a folder, a pipe, a device, a socket, or a path whose
// kind cannot be told.
inline bool isRegularOrMissing(const std::string& path) {
    DWORD error = 0;
    if (openedFileType(path, error) == FILE_TYPE_DISK) {
        return true;
    }
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// True when path names a regular file; `data` then holds its attributes,
// size and times.
inline bool regularFileData(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    DWORD error = 0;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0 &&
           openedFileType(path, error) == FILE_TYPE_DISK;
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
