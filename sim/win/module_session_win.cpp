// Loading and unloading the module the way the host does on Windows:
// LoadLibrary, the exported acrxEntryPoint, FreeLibrary.

#include <windows.h>

#include <utility>

#include "module_session.h"
#include "transcript.h"

namespace qxsim {
namespace {

// The application id the host hands to kInitAppMsg; the module only passes
// it back to the host.
int gAppId = 0;

constexpr const wchar_t* kModuleFileName = L"qxautocad.arx";

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
    return narrow(dir + L"\\" + kModuleFileName);
}

ModuleSession::ModuleSession(std::string path) : mPath(std::move(path)) {}

ModuleSession::~ModuleSession() {
    if (mHandle != nullptr) {
        std::string ignored;
        unload(false, ignored);
    }
}

int ModuleSession::send(int message) {
    void* data = message == kInitAppMsg ? static_cast<void*>(&gAppId) : nullptr;
    return mEntryPoint(message, data);
}

bool ModuleSession::load(bool documentOpen, std::string& error) {
    HMODULE module = LoadLibraryW(widen(mPath).c_str());
    if (module == nullptr) {
        error = "cannot load the module '" + mPath + "': " + lastErrorText();
        return false;
    }
    FARPROC symbol = GetProcAddress(module, "acrxEntryPoint");
    if (symbol == nullptr) {
        error = "the module '" + mPath + "' has no acrxEntryPoint: " + lastErrorText();
        FreeLibrary(module);
        return false;
    }
    mHandle = module;
    mEntryPoint = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(symbol));
    transcript::emit("load", transcript::Fields().str("path", mPath));
    send(kInitAppMsg);
    if (documentOpen) {
        send(kLoadDwgMsg);
    }
    return true;
}

bool ModuleSession::unload(bool documentOpen, std::string& warning) {
    if (documentOpen) {
        send(kUnloadDwgMsg);
    }
    send(kUnloadAppMsg);
    mEntryPoint = nullptr;
    FreeLibrary(static_cast<HMODULE>(std::exchange(mHandle, nullptr)));
    transcript::emit("unload", transcript::Fields().str("path", mPath));
    // A module that stays mapped keeps its static objects for the next load.
    if (GetModuleHandleW(widen(mPath).c_str()) != nullptr) {
        warning = "the module '" + mPath + "' stayed in memory after FreeLibrary";
        return false;
    }
    return true;
}

void ModuleSession::documentOpened() {
    if (mHandle != nullptr) {
        send(kLoadDwgMsg);
    }
}

void ModuleSession::documentClosing() {
    if (mHandle != nullptr) {
        send(kUnloadDwgMsg);
    }
}

}  // namespace qxsim
