// Safe replace of a user's file: link resolution, an exclusive temporary file
// beside the target with the target's mode, our own leftovers removed, mode
// and owner kept, flushes, the in-place write for a read-only folder and for
// a file with more than one name, and backups that only add, through the
// Windows file API (the window-system stand-in has it on POSIX).
#include "file_replace.h"

#include <fstream>
#include <sstream>
#include <vector>

#include <windows.h>

#include "file_kind.h"

namespace {

// Names tried for a temporary file before giving up: each taken one was
// left by someone else.
const int kTempTries = 100;
// The end of every temporary name, and the whole suffix of the fixed
// temporary name of earlier versions.
const char* const kTempSuffix = ".tmp";
// Attributes of a name that is no plain file: no folder, link, device or
// read-only file is ever removed as a leftover (nor a pipe, which only its
// opened handle tells).
const DWORD kNotPlainFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                            FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Either separator ends a folder's name, as on Windows.
const char* const kSeparators = "\\/";

std::string folderOf(const std::string& path) {
    const std::string::size_type cut = path.find_last_of(kSeparators);
    if (cut == std::string::npos) {
        return ".";
    }
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

// "<path>.<process>-<n>.tmp"
std::string tempName(const std::string& target, DWORD processId, int n) {
    std::ostringstream name;
    name << target << '.' << processId << '-' << n << kTempSuffix;
    return name.str();
}

bool isNameTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

FileReplaceResult withStatus(FileReplaceResult result, FileReplaceStatus status, int error) {
    result.status = status;
    result.error = error;
    return result;
}

typedef DWORD(WINAPI* FinalPathFn)(HANDLE, LPSTR, DWORD, DWORD);

// The path of the file a link names; false for a link to nothing, or where
// Windows cannot tell (before Vista). The "\\?\" prefix is dropped where the
// path is short enough to work without it.
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
        CreateFileA(path.c_str(), 0, kShareAll, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Asked once for the size a long path needs, then again.
    std::vector<char> buffer(MAX_PATH);
    DWORD length = 0;
    for (int tries = 0; tries < 2; ++tries) {
        length = finalPath(file, &buffer[0], static_cast<DWORD>(buffer.size()),
                           0 /* normalized, DOS volume */);
        if (length < buffer.size()) {
            break;
        }
        buffer.resize(length + 1);
    }
    CloseHandle(file);
    if (length == 0 || length >= buffer.size()) {
        return false;
    }
    target.assign(&buffer[0], length);
    if (target.compare(0, 8, "\\\\?\\UNC\\") == 0 && target.size() - 6 < MAX_PATH) {
        target = "\\\\" + target.substr(8);
    } else if (target.compare(0, 4, "\\\\?\\") == 0 && target.size() - 4 < MAX_PATH) {
        target = target.substr(4);
    }
    return true;
}

// The whole file at path, up to kMaxReadFileBytes; false when it cannot be
// read to its end.
bool readWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in.is_open()) {
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(kMaxReadFileBytes) + 1);
    in.read(&buffer[0], static_cast<std::streamsize>(buffer.size()));
    const std::streamsize size = in.gcount();
    if (in.bad() || !in.eof() || size > static_cast<std::streamsize>(kMaxReadFileBytes)) {
        return false;
    }
    bytes.assign(&buffer[0], static_cast<std::size_t>(size));
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

// Writes all of text and closes the file; false with `error` set (the
// write's, else the close's) when either fails.
bool writeAndClose(HANDLE file, const std::string& text, DWORD& error) {
    bool isWritten = writeAll(file, text);
    error = isWritten ? 0 : GetLastError();
    if (!CloseHandle(file) && isWritten) {
        isWritten = false;
        error = GetLastError();
    }
    return isWritten;
}

// Writes text over the start of an open file of oldSize bytes, padded with
// blanks and a line end to the old length, flushes it, and only then cuts
// the file to the text: at each step it reads as the old text or the new one.
bool overwrite(HANDLE file, const std::string& text, UINT64 oldSize) {
    std::string padded(text);
    if (oldSize > text.size()) {
        padded.append(static_cast<std::string::size_type>(oldSize - text.size()) - 1, ' ');
        padded += '\n';
    }
    LARGE_INTEGER start;
    start.QuadPart = 0;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(text.size());
    return SetFilePointerEx(file, start, NULL, FILE_BEGIN) && writeAll(file, padded) &&
           SetFilePointerEx(file, end, NULL, FILE_BEGIN) && SetEndOfFile(file) &&
           FlushFileBuffers(file);
}

// A temporary file of a fresh name beside target, created exclusively with
// the attributes (the mode) of `model` when there is one.
HANDLE createTemp(const std::string& target, HANDLE model, std::string& temp, DWORD& error) {
    const DWORD process = GetCurrentProcessId();
    error = 0;
    for (int n = 1; n <= kTempTries; ++n) {
        temp = tempName(target, process, n);
        // CREATE_NEW: fails on anything already of that name, a link included.
        HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, model);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        error = GetLastError();
        if (!isNameTaken(error)) {
            break;
        }
    }
    return INVALID_HANDLE_VALUE;
}

// For a process id of a temporary file's name: false only when no process of
// that id runs (one of another user cannot be asked, and counts as running).
bool isProcessRunning(DWORD processId) {
    if (processId == GetCurrentProcessId()) {
        return true;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == NULL) {
        return GetLastError() != ERROR_INVALID_PARAMETER;
    }
    DWORD code = 0;
    const bool isRunning = !GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    CloseHandle(process);
    return isRunning;
}

// True for "<fileName>.<digits>-<digits>.tmp", the name of a temporary file
// of ours; `processId` is its first number.
bool isTempNameOf(const std::string& name, const std::string& fileName, DWORD& processId) {
    const std::string::size_type start = fileName.size() + 1;
    const std::string::size_type suffix = std::char_traits<char>::length(kTempSuffix);
    if (name.size() < start + 3 + suffix || name.compare(0, fileName.size(), fileName) != 0 ||
        name[fileName.size()] != '.' ||
        name.compare(name.size() - suffix, suffix, kTempSuffix) != 0) {
        return false;
    }
    const std::string numbers = name.substr(start, name.size() - suffix - start);
    const std::string::size_type dash = numbers.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == numbers.size() ||
        numbers.find_first_not_of("0123456789", dash + 1) != std::string::npos) {
        return false;
    }
    UINT64 id = 0;
    for (std::string::size_type i = 0; i < dash; ++i) {
        if (numbers[i] < '0' || numbers[i] > '9' || id > 0xFFFFFFFFu / 10) {
            return false;
        }
        id = id * 10 + static_cast<UINT64>(numbers[i] - '0');
    }
    processId = static_cast<DWORD>(id);
    return id <= 0xFFFFFFFFu;
}

// Removes the temporary files that processes of ours which no longer run
// left beside target (a kill, a crash), and the fixed-name one of earlier
// versions: plain files of our names only.
void removeLeftovers(const std::string& target) {
    const std::string legacy = target + kTempSuffix;
    const DWORD legacyAttributes = GetFileAttributesA(legacy.c_str());
    if (legacyAttributes != INVALID_FILE_ATTRIBUTES && (legacyAttributes & kNotPlainFile) == 0 &&
        isRegularFile(legacy)) {
        DeleteFileA(legacy.c_str());
    }
    const std::string::size_type cut = target.find_last_of(kSeparators);
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    const std::string fileName = target.substr(folder.size());
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((target + ".*-*" + kTempSuffix).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        DWORD processId = 0;
        if ((found.dwFileAttributes & kNotPlainFile) == 0 &&
            isTempNameOf(found.cFileName, fileName, processId) && !isProcessRunning(processId) &&
            isRegularFile(folder + found.cFileName)) {
            DeleteFileA((folder + found.cFileName).c_str());
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// No temporary file could be made (tempError says why): the text is written
// over the file only where it fits in the file's own space.
FileReplaceResult writeInPlace(FileReplaceResult result, const std::string& text, DWORD tempError) {
    const int why = static_cast<int>(tempError);
    HANDLE file = CreateFileA(result.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return withStatus(result, kFileNoTemporary, why);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) ||
        static_cast<unsigned long long>(size.QuadPart) < text.size()) {
        CloseHandle(file);
        return withStatus(result, kFileNoTemporary, why);
    }
    const bool isWritten = overwrite(file, text, static_cast<UINT64>(size.QuadPart));
    const int error = isWritten ? why : static_cast<int>(GetLastError());
    CloseHandle(file);
    return withStatus(result, isWritten ? kFileWrittenInPlace : kFileWriteFailed, error);
}

// A file with more than one name is written in place, so that its names stay
// one file: the text goes to a temporary file first (so the disk has room for
// it) and is read back whole, then written over the file; if that fails, the
// old text is written back.
FileReplaceResult writeThroughCopy(FileReplaceResult result, const std::string& text,
                                   HANDLE model) {
    std::string old;
    if (!readWhole(result.path, old)) {
        return withStatus(result, kFileReplaceFailed, 0);
    }
    std::string temp;
    DWORD error = 0;
    HANDLE copy = createTemp(result.path, model, temp, error);
    if (copy == INVALID_HANDLE_VALUE) {
        return writeInPlace(result, text, error);
    }
    const bool isCopied = writeAndClose(copy, text, error);
    std::string copied;
    if (!isCopied || !readWhole(temp, copied) || copied != text) {
        DeleteFileA(temp.c_str());
        return withStatus(result, kFileWriteFailed, static_cast<int>(error));
    }
    HANDLE file = CreateFileA(result.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    const bool isWritten = file != INVALID_HANDLE_VALUE && overwrite(file, text, old.size());
    error = isWritten ? 0 : GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        if (!isWritten) {
            overwrite(file, old, old.size());
        }
        CloseHandle(file);
    }
    DeleteFileA(temp.c_str());
    return isWritten ? result : withStatus(result, kFileWriteFailed, static_cast<int>(error));
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
    removeLeftovers(result.path);

    // The old file gives the temporary file its mode from the start, and its
    // count of names decides between a replace and a write in place.
    HANDLE old = exists ? CreateFileA(result.path.c_str(), GENERIC_READ, kShareAll, NULL,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL)
                        : INVALID_HANDLE_VALUE;
    HANDLE model = old != INVALID_HANDLE_VALUE ? old : NULL;
    BY_HANDLE_FILE_INFORMATION info;
    if (model != NULL && GetFileInformationByHandle(model, &info) && info.nNumberOfLinks > 1) {
        result = writeThroughCopy(result, text, model);
        CloseHandle(old);
        return result;
    }
    std::string temp;
    DWORD error = 0;
    HANDLE file = createTemp(result.path, model, temp, error);
    if (model != NULL) {
        CloseHandle(old);
    }
    if (file == INVALID_HANDLE_VALUE) {
        return exists ? writeInPlace(result, text, error)
                      : withStatus(result, kFileNotCreated, static_cast<int>(error));
    }
    if (!writeAndClose(file, text, error)) {
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

// Why no temporary file could be made, in a few words.
std::string reasonOf(int error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return "every name tried for a temporary file is taken";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "the folder does not exist";
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return "read-only?";
        case ERROR_DISK_FULL:
            return "the disk is full";
        default:
            break;
    }
    std::ostringstream text;
    text << "error " << error;
    return text.str();
}

std::string withReason(int error) {
    return error == 0 ? std::string() : " (" + reasonOf(error) + ")";
}

std::string backupName(const std::string& base, int n) {
    if (n == 0) {
        return base;
    }
    std::ostringstream name;
    name << base << n;
    return name.str();
}

// Copies bytes to the first free backup name, created exclusively with the
// attributes (the mode) of `model`.
bool copyAside(const std::string& bytes, HANDLE model, const std::string& base,
               FileKeepResult& result) {
    for (int n = 0; n < kFileBackupNames; ++n) {
        result.backupPath = backupName(base, n);
        HANDLE backup = CreateFileA(result.backupPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, model);
        if (backup == INVALID_HANDLE_VALUE) {
            result.error = static_cast<int>(GetLastError());
            if (isNameTaken(static_cast<DWORD>(result.error))) {
                continue;
            }
            return false;
        }
        DWORD error = 0;
        const bool isWritten = writeAndClose(backup, bytes, error);
        result.error = static_cast<int>(error);
        if (!isWritten) {
            DeleteFileA(result.backupPath.c_str());  // ours, and not whole
        }
        result.isKept = isWritten;
        return isWritten;
    }
    return false;
}

// Moves the name at path to the first free backup name.
void moveAside(const std::string& path, const std::string& base, FileKeepResult& result) {
    for (int n = 0; n < kFileBackupNames; ++n) {
        result.backupPath = backupName(base, n);
        // Without MOVEFILE_REPLACE_EXISTING: fails on anything of that name.
        if (MoveFileExA(path.c_str(), result.backupPath.c_str(), MOVEFILE_WRITE_THROUGH)) {
            result.isKept = true;
            result.error = 0;
            return;
        }
        result.error = static_cast<int>(GetLastError());
        if (!isNameTaken(static_cast<DWORD>(result.error))) {
            return;
        }
    }
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
            return noTemporary + withReason(result.error) + ", so '" + result.path +
                   "' was written in place";
        case kFileReadOnly:
            return "the file is read-only; " + leftAsItWas;
        case kFileNotRegular:
            return "'" + result.path +
                   "' is not a regular file (a folder, pipe, device or link to nothing); it is "
                   "left alone";
        case kFileNoTemporary:
            return noTemporary + withReason(result.error) +
                   " and the new text does not fit in the file's place; " + leftAsItWas;
        case kFileNotCreated:
            return "the file could not be created in the folder '" + result.folder + "'" +
                   withReason(result.error);
        case kFileWriteFailed:
            return "the new file could not be written completely (disk full?); " + leftAsItWas;
        case kFileReplaceFailed:
            return "the new file could not replace the old one; " + leftAsItWas;
    }
    return std::string();
}

FileKeepResult keepFileAside(const std::string& path, const std::string& backupBase) {
    FileKeepResult result;
    result.backupPath = backupBase;
    const bool isLink = isFileLink(path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    BY_HANDLE_FILE_INFORMATION info;
    const bool hasOtherNames = file != INVALID_HANDLE_VALUE &&
                               GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
    std::string bytes;
    const bool isCopied = (isLink || hasOtherNames) && file != INVALID_HANDLE_VALUE &&
                          readWhole(path, bytes) && copyAside(bytes, file, backupBase, result);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    // Moving one of several names would split them; a link to a file too
    // large to copy is moved itself.
    if (!isCopied && (isLink || !hasOtherNames)) {
        moveAside(path, backupBase, result);
    }
    if (!result.isKept && isNameTaken(static_cast<DWORD>(result.error))) {
        result.error = ERROR_ALREADY_EXISTS;
    }
    return result;
}
