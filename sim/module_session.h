// The module as the host sees it: loaded by the platform's loader, driven
// through its exported entry point with the host's messages, unloaded.
// Main (host) thread only.
#pragma once

#include <string>

#include "module_loader.h"

namespace qxsim {

// Message codes the host sends to acrxEntryPoint.
enum HostMessage : int {
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
};

class ModuleSession {
public:
    explicit ModuleSession(std::string path);
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // Open the module, look up acrxEntryPoint, then kInitAppMsg and one
    // kLoadDwgMsg for each open drawing. Writes the transcript's "load"
    // event. On failure returns false with a message naming the path and the
    // loader's text.
    bool load(int documentsOpen, std::string& error);
    // One kUnloadDwgMsg for each open drawing, kUnloadAppMsg, close; then the
    // transcript's "unload" event. Returns false with a warning when the
    // loader kept the module in memory (its statics would then survive).
    bool unload(int documentsOpen, std::string& warning);

    // A drawing opened or closed while the module is loaded.
    void documentOpened();
    void documentClosing();

    bool loaded() const { return mHandle != nullptr; }
    const std::string& path() const { return mPath; }

private:
    int send(int message);

    std::string mPath;
    void* mHandle = nullptr;
    loader::EntryPoint mEntryPoint = nullptr;
};

// The module beside the running executable (libqxautocad.so; qxautocad.arx
// on Windows).
std::string moduleBesideExecutable();

}  // namespace qxsim
