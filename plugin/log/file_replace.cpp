// Safe replace of a user's file: link resolution, an exclusive temporary
// file beside the target, mode and owner kept, flushes, and the in-place
// fallback for a read-only folder, through the Windows file API (the
// window-system stand-in has it on POSIX).
#include "file_replace.h"

#include <sstream>

#include <windows.h>

#include "file_kind.h"

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

// Either separator ends a folder's name, as on Windows.
const char* const kSeparators = "\\/";

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
                   (targetAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
                   !isRegularOrMissing(result.path))) {
        return withStatus(result, kFileNotRegular, 0);
    }
    if (exists && (targetAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return withStatus(result, kFileReadOnly, 0);
    }
    const std::string legacy = result.path + kLegacyTempSuffix;
    const DWORD legacyAttributes = GetFileAttributesA(legacy.c_str());
    if (legacyAttributes != INVALID_FILE_ATTRIBUTES &&
        (legacyAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                             FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) == 0 &&
        isRegularFile(legacy)) {
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
        if (exists && (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
                       error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)) {
            // ReplaceFile has already moved the old file out of the way: the
            // new text still takes its name, or stays in the temporary file
            // rather than being lost with it.
            if (MoveFileExA(temp.c_str(), result.path.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                return result;
            }
            return withStatus(result, kFileReplaceFailed, static_cast<int>(GetLastError()));
        }
        DeleteFileA(temp.c_str());
        return withStatus(result, kFileReplaceFailed, static_cast<int>(error));
    }
    return result;
}

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
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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
