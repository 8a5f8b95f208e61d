// The module loaded with dlopen, as the host loads it.

#include "module_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "module_session.h"

namespace qxsim {

std::string moduleBesideExecutable() {
    char buffer[PATH_MAX] = {};
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    std::string exe = length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : "";
    std::size_t slash = exe.rfind('/');
    std::string dir = slash == std::string::npos ? "." : exe.substr(0, slash);
    return dir + "/libqxautocad.so";
}

namespace loader {

void* open(const std::string& path, EntryPoint& entryPoint, std::string& error) {
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = "cannot load the module '" + path + "': " + (text ? text : "unknown error");
        return nullptr;
    }
    void* symbol = dlsym(handle, "acrxEntryPoint");
    if (symbol == nullptr) {
        const char* text = dlerror();
        error =
            "the module '" + path + "' has no acrxEntryPoint: " + (text ? text : "unknown error");
        dlclose(handle);
        return nullptr;
    }
    entryPoint = reinterpret_cast<EntryPoint>(symbol);
    return handle;
}

bool close(void* handle, const std::string& path, std::string& warning) {
    dlclose(handle);
    if (void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(still);
        warning = "the module '" + path + "' stayed in memory after dlclose";
        return false;
    }
    return true;
}

}  // namespace loader
}  // namespace qxsim
