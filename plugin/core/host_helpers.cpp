#include "host_helpers.h"

#include <cerrno>

#include "file_kind.h"

#ifdef _WIN32
#include <fcntl.h>  // _O_RDONLY
#include <io.h>     // _open, _close; the POSIX stand-in declares both in windows.h
#endif

namespace {

const DWORD kBeepHz = 440;
const DWORD kBeepMs = 200;
const int kAccessDenied = 13;  // what opening a folder as a file reports

}  // namespace

std::wstring widen(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_ACP, 0, text.data(), size, NULL, 0);
    if (count <= 0) {
        return std::wstring();
    }
    std::wstring out(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, &out[0], count);
    return out;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int count = WideCharToMultiByte(CP_ACP, 0, text.data(), size, NULL, 0, " ", NULL);
    if (count <= 0) {
        return std::string();
    }
    std::string out(static_cast<size_t>(count), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, &out[0], count, " ", NULL);
    return out;
}

bool fileExists(const std::string& path) {
    // Asked of the file system, not by opening: opening a pipe would block.
    return isRegularFile(path);
}

bool folderExists(const std::string& path) {
    // Opening a folder as a file fails with "access denied"; a plain file
    // opens, anything missing fails otherwise.
    errno = 0;
    const int fd = _open(path.c_str(), _O_RDONLY);
    if (fd >= 0) {
        _close(fd);
        return false;
    }
    return errno == kAccessDenied;
}

INT32 showErrorBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    Beep(kBeepHz, kBeepMs);
    const std::wstring wideText = widen(text);
    const std::wstring wideCaption = widen(caption);
    return MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
}
