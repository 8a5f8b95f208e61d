// Loading and unloading the module the way the host does.

#include "module_session.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <utility>

#include "transcript.h"

namespace qxsim {
namespace {

// The application id the host hands to kInitAppMsg; the module only passes
// it back to the host (unlockApplication, registerAppMDIAware).
int gAppId = 0;

constexpr const char* kModuleFileName = "libqxautocad.so";

}  // namespace

std::string moduleBesideExecutable() {
    char buffer[PATH_MAX] = {};
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    std::string exe = length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : "";
    std::size_t slash = exe.rfind('/');
    std::string dir = slash == std::string::npos ? "." : exe.substr(0, slash);
    return dir + "/" + kModuleFileName;
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
    dlerror();
    void* handle = dlopen(mPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = "cannot load the module '" + mPath + "': " + (text ? text : "unknown error");
        return false;
    }
    void* symbol = dlsym(handle, "acrxEntryPoint");
    if (symbol == nullptr) {
        const char* text = dlerror();
        error =
            "the module '" + mPath + "' has no acrxEntryPoint: " + (text ? text : "unknown error");
        dlclose(handle);
        return false;
    }
    mHandle = handle;
    mEntryPoint = reinterpret_cast<EntryPoint>(symbol);
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
    dlclose(std::exchange(mHandle, nullptr));
    transcript::emit("unload", transcript::Fields().str("path", mPath));
    // A module that stays mapped keeps its static objects for the next load.
    if (void* still = dlopen(mPath.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(still);
        warning = "the module '" + mPath + "' stayed in memory after dlclose";
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
