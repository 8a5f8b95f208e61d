// Loading and unloading the module the way the host does: the host's
// messages in the host's order; the platform's loader is in module_loader.

#include "module_session.h"

#include <utility>

#include "transcript.h"

namespace qxsim {
namespace {

// The application id the host hands to kInitAppMsg; the module only passes
// it back to the host (unlockApplication, registerAppMDIAware).
int gAppId = 0;

}  // namespace

ModuleSession::ModuleSession(std::string path) : mPath(std::move(path)) {}

ModuleSession::~ModuleSession() {
    if (mHandle != nullptr) {
        std::string ignored;
        unload(0, ignored);
    }
}

int ModuleSession::send(int message) {
    void* data = message == kInitAppMsg ? static_cast<void*>(&gAppId) : nullptr;
    return mEntryPoint(message, data);
}

bool ModuleSession::load(int documentsOpen, std::string& error) {
    loader::EntryPoint entryPoint = nullptr;
    void* handle = loader::open(mPath, entryPoint, error);
    if (handle == nullptr) {
        return false;
    }
    mHandle = handle;
    mEntryPoint = entryPoint;
    transcript::emit("load", transcript::Fields().str("path", mPath));
    send(kInitAppMsg);
    for (int i = 0; i < documentsOpen; ++i) {
        send(kLoadDwgMsg);
    }
    return true;
}

bool ModuleSession::unload(int documentsOpen, std::string& warning) {
    for (int i = 0; i < documentsOpen; ++i) {
        send(kUnloadDwgMsg);
    }
    send(kUnloadAppMsg);
    mEntryPoint = nullptr;
    const bool gone = loader::close(std::exchange(mHandle, nullptr), mPath, warning);
    transcript::emit("unload", transcript::Fields().str("path", mPath));
    return gone;
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
