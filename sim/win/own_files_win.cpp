// qxsim's files in the Windows build: CREATE_NEW for new ones, nothing
// opened through a link (a reparse point), and every file qxsim writes
// shared for reading only, so that a second qxsim cannot write it meanwhile
// (which process holds it, Windows does not tell). A new file takes its
// folder's access rights; Windows keeps no owner in a mode here to compare.

#include "own_files.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qxsim {
namespace {

HANDLE openHandle(const std::string& path, DWORD access, DWORD how) {
    return CreateFileW(std::filesystem::path(path).wstring().c_str(), access, FILE_SHARE_READ,
                       nullptr, how, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

std::FILE* adopt(HANDLE handle) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (file == nullptr && fd >= 0) {
        _close(fd);
    } else if (file == nullptr) {
        CloseHandle(handle);
    }
    return file;
}

// Why the open file is none of qxsim's earlier files; empty when it is one.
std::string notOwn(HANDLE handle, std::string_view head) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return "error " + std::to_string(GetLastError());
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return "it is a link, and qxsim writes through no link";
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "it is a folder";
    }
    if (info.nNumberOfLinks != 1) {
        return "it has another name (a hard link) that qxsim did not make";
    }
    std::string start(head.size(), '\0');
    DWORD read = 0;
    if ((info.nFileSizeLow != 0 || info.nFileSizeHigh != 0) &&
        (!ReadFile(handle, start.data(), static_cast<DWORD>(start.size()), &read, nullptr) ||
         read != start.size() || start != head)) {
        return "it is no file qxsim wrote, and qxsim replaces only its own: name another file "
               "or folder for it";
    }
    return {};
}

}  // namespace

bool readRegularFile(const std::string& path, std::size_t maxBytes, std::string& text,
                     std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "it is a folder";  // which the run-time does not open
        return false;
    }
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    struct _stat64 st {};
    if (fd < 0 || _fstat64(fd, &st) != 0) {
        error = std::strerror(errno);
    } else if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        error = (st.st_mode & _S_IFMT) == _S_IFIFO ? "it is a pipe" : "it is a device";
    } else {
        text.clear();
        char buffer[1 << 16];
        int got = 1;
        while (got > 0 && text.size() <= maxBytes) {
            got = _read(fd, buffer,
                        static_cast<unsigned>(std::min(sizeof buffer, maxBytes + 1 - text.size())));
            text.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
        }
        error = got < 0 ? std::strerror(errno) : "";
    }
    if (fd >= 0) {
        _close(fd);
    }
    return error.empty();
}

int createNewFile(const std::string& path, unsigned) {
    const HANDLE handle = openHandle(path, GENERIC_WRITE, CREATE_NEW);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_FILE_EXISTS ? EEXIST : EACCES;
        return -1;
    }
    return _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
}

std::FILE* openOwnFile(const std::string& path, std::string_view head, const std::string& what,
                       bool lock, std::string& error) {
    const std::string cannot = "cannot write " + what + " '" + path + "': ";
    HANDLE handle = openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    const bool created = handle != INVALID_HANDLE_VALUE;
    if (!created && GetLastError() == ERROR_FILE_EXISTS) {
        handle = openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = lock && code == ERROR_SHARING_VIOLATION
                    ? "qxsim already writes '" + path + "' (another process has it open)"
                    : cannot + "error " + std::to_string(code);
        return nullptr;
    }
    std::string why = created ? std::string() : notOwn(handle, head);
    if (why.empty() && !created &&
        (SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
         !SetEndOfFile(handle))) {
        why = "error " + std::to_string(GetLastError());
    }
    std::FILE* file = why.empty() ? adopt(handle) : nullptr;
    if (!why.empty()) {
        CloseHandle(handle);
    }
    if (file == nullptr) {
        error = cannot + (why.empty() ? std::strerror(errno) : why);
    }
    return file;
}

bool removeOwnFile(const std::string& path, std::string_view head, std::string& error) {
    const HANDLE handle = openHandle(path, GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)) {
        return true;
    }
    std::string why = handle == INVALID_HANDLE_VALUE ? "error " + std::to_string(GetLastError())
                                                     : notOwn(handle, head);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    if (why.empty() && !DeleteFileW(std::filesystem::path(path).wstring().c_str())) {
        why = "error " + std::to_string(GetLastError());
    }
    if (!why.empty()) {
        error = "cannot remove '" + path + "': " + why;
    }
    return why.empty();
}

std::FILE* openTranscriptFile(const std::string& path, std::string& error) {
    // A device (NUL) holds no file to lose: written as it is.
    const HANDLE device = CreateFileW(std::filesystem::path(path).wstring().c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (device != INVALID_HANDLE_VALUE) {
        if (GetFileType(device) == FILE_TYPE_CHAR) {
            return adopt(device);
        }
        CloseHandle(device);
    }
    return openOwnFile(path, "{\"t\":", "the transcript", true, error);
}

}  // namespace qxsim
