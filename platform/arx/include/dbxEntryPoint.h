// The root of the application framework behind acrxEntryPoint: AcRxDbxApp
// keeps the module's instance handle and its unload and MDI flags,
// dispatches the host's messages to one virtual handler per message code and
// registers the module's custom classes. Like the host's own framework it is
// compiled into the module. The host calls everything here on its main
// thread only.
#pragma once

#include <cstdint>
#include <span>

#include <windows.h>

#include "AdAChar.h"
#include "rxclass.h"
#include "rxdefs.h"
#include "rxdlinkr.h"

// ---- The module's tables ------------------------------------------------------
// A null slot is an empty one, skipped by every walk.

struct CustomClassEntry {
    AcRxClass* (*desc)();
    void (*init)();
    bool isRegistered;
};
using CustomClassTable = std::span<CustomClassEntry* const>;

// Supplied by the module: its instance handle (stored when the module is
// loaded) and its custom class table.
extern HINSTANCE gModuleInstance;
CustomClassTable moduleCustomClassTable();

// Initialises every entry and builds the class hierarchy once when there was
// any; returns the number initialised.
inline int initCustomClasses(CustomClassTable table) {
    int count = 0;
    for (CustomClassEntry* entry : table) {
        if (entry == nullptr) {
            continue;
        }
        entry->init();
        entry->isRegistered = true;
        ++count;
    }
    if (count >= 1) {
        acrxBuildClassHierarchy();
    }
    return count;
}

// Unregisters `entry` after every registered entry derived from its class.
inline void unregisterCustomClass(CustomClassTable table, CustomClassEntry& entry) {
    AcRxClass* cls = entry.desc();
    for (CustomClassEntry* other : table) {
        if (other != nullptr && other != &entry && other->isRegistered &&
            other->desc()->myParent() == cls) {
            unregisterCustomClass(table, *other);
        }
    }
    deleteAcRxClass(cls);
    entry.isRegistered = false;
}

// Unregisters every registered entry, derived classes before their parents.
inline void unregisterCustomClasses(CustomClassTable table) {
    for (CustomClassEntry* entry : table) {
        if (entry != nullptr && entry->isRegistered) {
            unregisterCustomClass(table, *entry);
        }
    }
}

// ---- The application class ----------------------------------------------------
class AcRxDbxApp {
public:
    // Constant-initialised: the single application object is complete as
    // static data before any code of the module runs.
    constexpr AcRxDbxApp() = default;
    AcRxDbxApp(const AcRxDbxApp&) = delete;
    AcRxDbxApp& operator=(const AcRxDbxApp&) = delete;

    // Calls the handler of `msg` (codes 0 to 15); any other code returns 0
    // and calls nothing. `pkt` is passed on unchanged.
    AcRx::AppRetCode dispatch(AcRx::AppMsgCode msg, void* pkt) {
        switch (msg) {
            case AcRx::kNullMsg:
                return On_kNullMsg(pkt);
            case AcRx::kInitAppMsg:
                return On_kInitAppMsg(pkt);
            case AcRx::kUnloadAppMsg:
                return On_kUnloadAppMsg(pkt);
            case AcRx::kLoadDwgMsg:
                return On_kLoadDwgMsg(pkt);
            case AcRx::kUnloadDwgMsg:
                return On_kUnloadDwgMsg(pkt);
            case AcRx::kInvkSubrMsg:
                return On_kInvkSubrMsg(pkt);
            case AcRx::kCfgMsg:
                return On_kCfgMsg(pkt);
            case AcRx::kEndMsg:
                return On_kEndMsg(pkt);
            case AcRx::kQuitMsg:
                return On_kQuitMsg(pkt);
            case AcRx::kSaveMsg:
                return On_kSaveMsg(pkt);
            case AcRx::kDependencyMsg:
                return On_kDependencyMsg(pkt);
            case AcRx::kNoDependencyMsg:
                return On_kNoDependencyMsg(pkt);
            case AcRx::kOleUnloadAppMsg:
                return On_kOleUnloadAppMsg(pkt);
            case AcRx::kPreQuitMsg:
                return On_kPreQuitMsg(pkt);
            case AcRx::kInitDialogMsg:
                return On_kInitDialogMsg(pkt);
            case AcRx::kEndDialogMsg:
                return On_kEndDialogMsg(pkt);
            default:
                return AcRx::kRetOK;
        }
    }

    // Handlers, in the order of their slots. Initialisation takes the
    // instance handle, asks the dynamic linker to make the application
    // unloadable and MDI-aware (as the flags say), calls
    // RegisterServerComponents and registers the custom classes; unload
    // unregisters them. The others return 0.
    virtual AcRx::AppRetCode On_kInitAppMsg(void* pkt) {
        mHdllInstance = gModuleInstance;
        if (mIsUnlocked) {
            if (AcRxDynamicLinker* linker = acrxDynamicLinker) {
                linker->unlockApplication(pkt);
            }
        }
        if (mIsMDIAware) {
            if (AcRxDynamicLinker* linker = acrxDynamicLinker) {
                linker->registerAppMDIAware(pkt);
            }
        }
        RegisterServerComponents();
        initCustomClasses(moduleCustomClassTable());
        return AcRx::kRetOK;
    }
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void*) {
        unregisterCustomClasses(moduleCustomClassTable());
        return AcRx::kRetOK;
    }
    virtual AcRx::AppRetCode On_kLoadDwgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kUnloadDwgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInvkSubrMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kCfgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kSaveMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNoDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kOleUnloadAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kPreQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInitDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNullMsg(void*) { return AcRx::kRetOK; }
    virtual void RegisterServerComponents() = 0;

    HINSTANCE mHdllInstance = nullptr;
    bool mIsUnlocked = true;
    bool mIsMDIAware = true;

protected:
    // Never destroyed through a base pointer: the one object is static.
    ~AcRxDbxApp() = default;
};
