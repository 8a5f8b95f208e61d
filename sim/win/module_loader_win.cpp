// The module loaded with LoadLibrary, as the host loads it on Windows.

#include <windows.h>

#include "module_loader.h"
#include "module_session.h"

namespace qxsim {
namespace {

std::wstring widen(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string narrow(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::string lastErrorText() {
    return "error " + std::to_string(GetLastError());
}

}  // namespace

std::string moduleBesideExecutable() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, n);
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring dir = slash == std::wstring::npos ? L"." : path.substr(0, slash);
    return narrow(dir + L"\\qxautocad.arx");
}

namespace loader {

void* open(const std::string& path, EntryPoint& entryPoint, std::string& error) {
    HMODULE module = LoadLibraryW(widen(path).c_str());
    if (module == nullptr) {
        error = "cannot load the module '" + path + "': " + lastErrorText();
        return nullptr;
    }
    FARPROC symbol = GetProcAddress(module, "acrxEntryPoint");
    if (symbol == nullptr) {
        error = "the module '" + path + "' has no acrxEntryPoint: " + lastErrorText();
        FreeLibrary(module);
        return nullptr;
    }
    entryPoint = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(symbol));
    return module;
}

bool close(void* handle, const std::string& path, std::string& warning) {
    FreeLibrary(static_cast<HMODULE>(handle));
    if (GetModuleHandleW(widen(path).c_str()) != nullptr) {
        warning = "the module '" + path + "' stayed in memory after FreeLibrary";
        return false;
    }
    return true;
}

}  // namespace loader
}  // namespace qxsim
