// The root of the application framework behind acrxEntryPoint: AcRxDbxApp
// keeps the module's instance handle and its unload and MDI flags,
// dispatches the host's messages to one virtual handler per message code and
// registers the module's custom classes. Like the host's own framework it is
// compiled into the module. The host calls everything here on its main
// thread only.
//
// A module registers with macros that put a pointer to each record into a
// section of its own per kind (ARXCOMMAND, ADSSYMBOL, DBXCUSTOBJ); the
// framework walks a section from its first slot to its last, in address
// order, skipping null slots. On ELF the linker's __start_/__stop_ symbols
// bound a section; on PE the linker sorts the grouped sections NAME$__a,
// NAME$__m, NAME$__z by their suffix, and null slots in __a and __z (defined
// by IMPLEMENT_ARX_ENTRYPOINT) bound the records. GCC keeps the records of
// one source file in the order written only when told so (no_reorder).
#pragma once

#include "AdAChar.h"
#include "rxclass.h"
#include "rxdefs.h"
#include "rxdlinkr.h"

#define _RXST(a) _ACRX_T(a)

// A custom class: its descriptor, its initialisation (which registers it
// with the host) and whether it is registered now.
struct _DBX_REGISTER_OBJECT_ENTRY {
    AcRxClass* (*desc)();
    void (*rxInit)();
    bool bRegistered;
};

// ---- Gathering the records ----------------------------------------------------
#if defined(__clang__)
#define ACRX_STANDIN_KEEP_ORDER
#else
#define ACRX_STANDIN_KEEP_ORDER no_reorder,
#endif
#if defined(_WIN32)
#define ACRX_STANDIN_SLOT(name, part) \
    __attribute__((used, ACRX_STANDIN_KEEP_ORDER section(#name "$__" #part)))
// The first and last slot of each section, null; arrays of unknown bound to
// the code that walks between them.
#define ACRX_STANDIN_BOUNDS(section, type)                      \
    extern "C" {                                                \
    ACRX_STANDIN_SLOT(section, a) type* section##_a[] = {NULL}; \
    ACRX_STANDIN_SLOT(section, z) type* section##_z[] = {NULL}; \
    }
#define ACRX_STANDIN_DECLARE_BOUNDS(section, type) \
    extern "C" type* section##_a[];                \
    extern "C" type* section##_z[];
#define ACRX_STANDIN_FIRST(section) (section##_a + 1)
#define ACRX_STANDIN_END(section) (section##_z)
#else
#define ACRX_STANDIN_SLOT(name, part) __attribute__((used, ACRX_STANDIN_KEEP_ORDER section(#name)))
#define ACRX_STANDIN_BOUNDS(section, type)
// Weak: a module without records of a kind has no such section.
#define ACRX_STANDIN_DECLARE_BOUNDS(section, type)                                          \
    extern "C" __attribute__((weak, visibility("hidden"))) type* const __start_##section[]; \
    extern "C" __attribute__((weak, visibility("hidden"))) type* const __stop_##section[];
#define ACRX_STANDIN_FIRST(section) (__start_##section)
#define ACRX_STANDIN_END(section) (__stop_##section)
#endif
// One record of `type` named `name` with the initialiser in the variable
// arguments, and its slot in `section`.
#define ACRX_STANDIN_ENTRY(section, type, name, ...) \
    static type name = {__VA_ARGS__};                \
    ACRX_STANDIN_SLOT(section, m) static type* name##_slot = &name;

ACRX_STANDIN_DECLARE_BOUNDS(DBXCUSTOBJ, _DBX_REGISTER_OBJECT_ENTRY)

// Registers `classname` (with static members desc and rxInit) as a custom
// class of the module.
#define ACDB_REGISTER_OBJECT_ENTRY_AUTO(classname)                               \
    ACRX_STANDIN_ENTRY(DBXCUSTOBJ, _DBX_REGISTER_OBJECT_ENTRY,                   \
                       __DBX_REGISTER_OBJECT_ENTRY_##classname, classname::desc, \
                       classname::rxInit, false)

// ---- The application class ----------------------------------------------------
// The module's instance handle, which its DllMain stores (defined by
// IMPLEMENT_ARX_ENTRYPOINT).
extern HINSTANCE _hdllInstance;

class AcRxDbxApp {
public:
    AcRxDbxApp() : m_hdllInstance(NULL), m_bUnlocked(true), m_bMDIAware(true) {}

    // Handlers, in the order of their slots. Initialisation takes the
    // instance handle, asks the dynamic linker to make the application
    // unloadable and MDI-aware (as the flags say), calls
    // RegisterServerComponents and registers the custom classes; unload
    // unregisters them. The others return kRetOK.
    virtual AcRx::AppRetCode On_kInitAppMsg(void* pkt) {
        m_hdllInstance = _hdllInstance;
        if (m_bUnlocked) {
            if (AcRxDynamicLinker* linker = acrxDynamicLinker) {
                linker->unlockApplication(pkt);
            }
        }
        if (m_bMDIAware) {
            if (AcRxDynamicLinker* linker = acrxDynamicLinker) {
                linker->registerAppMDIAware(pkt);
            }
        }
        RegisterServerComponents();
        initCustomClasses();
        return AcRx::kRetOK;
    }
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void*) {
        for (_DBX_REGISTER_OBJECT_ENTRY* const* slot = ACRX_STANDIN_FIRST(DBXCUSTOBJ);
             slot < ACRX_STANDIN_END(DBXCUSTOBJ); ++slot) {
            if (*slot != NULL && (*slot)->bRegistered) {
                unregisterCustomClass(**slot);
            }
        }
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

    // Calls the handler of `msg` (codes 0 to 15); any other code returns
    // kRetOK and calls nothing. `pkt` is passed on unchanged.
    AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt) {
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

    virtual void RegisterServerComponents() = 0;

    HINSTANCE& GetModuleInstance() { return m_hdllInstance; }

protected:
    HINSTANCE m_hdllInstance;
    bool m_bUnlocked;
    bool m_bMDIAware;

private:
    // Initialises every record and builds the class hierarchy once when there
    // was any.
    static void initCustomClasses() {
        int count = 0;
        for (_DBX_REGISTER_OBJECT_ENTRY* const* slot = ACRX_STANDIN_FIRST(DBXCUSTOBJ);
             slot < ACRX_STANDIN_END(DBXCUSTOBJ); ++slot) {
            if (*slot != NULL) {
                (*slot)->rxInit();
                (*slot)->bRegistered = true;
                ++count;
            }
        }
        if (count >= 1) {
            acrxBuildClassHierarchy();
        }
    }
    // Unregisters `entry` after every registered record derived from its class.
    static void unregisterCustomClass(_DBX_REGISTER_OBJECT_ENTRY& entry) {
        AcRxClass* cls = entry.desc();
        for (_DBX_REGISTER_OBJECT_ENTRY* const* slot = ACRX_STANDIN_FIRST(DBXCUSTOBJ);
             slot < ACRX_STANDIN_END(DBXCUSTOBJ); ++slot) {
            _DBX_REGISTER_OBJECT_ENTRY* other = *slot;
            if (other != NULL && other != &entry && other->bRegistered &&
                other->desc()->myParent() == cls) {
                unregisterCustomClass(*other);
            }
        }
        deleteAcRxClass(cls);
        entry.bRegistered = false;
    }
};

// The module's application object (defined by IMPLEMENT_ARX_ENTRYPOINT).
AcRxDbxApp* acrxGetApp();
