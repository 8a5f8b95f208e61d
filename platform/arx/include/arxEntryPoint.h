// The editor layer of the application framework: AcRxArxApp registers the
// module's commands at initialisation and removes them at unload, and
// defines, undefines and invokes its Lisp functions; the registration macros
// and IMPLEMENT_ARX_ENTRYPOINT, which gives the module its application object
// and its exported entry point. Compiled into the module; host's main thread
// only.
#pragma once

#include "accmd.h"
#include "acedads.h"
#include "dbxEntryPoint.h"

// A command: group, global and local name (null: the string resource
// localNameID), flags, function and context menu.
struct _ARXCOMMAND_ENTRY {
    const ACHAR* pszCmdGroupName;
    const ACHAR* pszCmdGlobalName;
    const ACHAR* pszCmdLocalName;
    Adesk::Int32 commandFlags;
    AcRxFunctionPtr pCmdFct;
    AcEdUIContext* pUIContext;
    UINT localNameID;
};

// A Lisp function: name (null: the string resource nameID), function and
// whether it is registered with acedRegFunc too.
struct _ADSSYMBOL_ENTRY {
    const ACHAR* pszName;
    int (*fptr)();
    bool bRegFunc;
    UINT nameID;
};

ACRX_STANDIN_DECLARE_BOUNDS(ARXCOMMAND, _ARXCOMMAND_ENTRY)
ACRX_STANDIN_DECLARE_BOUNDS(ADSSYMBOL, _ADSSYMBOL_ENTRY)

// Registers the static member function classname::<group><globCmd> (void())
// as command globCmd of group `group`, local name locCmd (or the string
// resource locCmdId).
#define ACED_ARXCOMMAND_ENTRY_AUTO(classname, group, globCmd, locCmd, cmdFlags, UIContext)   \
    ACRX_STANDIN_ENTRY(ARXCOMMAND, _ARXCOMMAND_ENTRY,                                        \
                       __ARXCOMMAND_ENTRY_##classname##_##group##globCmd, _RXST(#group),     \
                       _RXST(#globCmd), _RXST(#locCmd), cmdFlags, classname::group##globCmd, \
                       UIContext, (UINT)-1)
#define ACED_ARXCOMMAND_ENTRYBYID_AUTO(classname, group, globCmd, locCmdId, cmdFlags, UIContext) \
    ACRX_STANDIN_ENTRY(ARXCOMMAND, _ARXCOMMAND_ENTRY,                                            \
                       __ARXCOMMAND_ENTRY_##classname##_##group##globCmd, _RXST(#group),         \
                       _RXST(#globCmd), NULL, cmdFlags, classname::group##globCmd, UIContext,    \
                       locCmdId)
// Registers the static member function classname::ads_<name> (int()) as Lisp
// function `name`, or as command c:name.
#define ACED_ADSSYMBOL_ENTRY_AUTO(classname, name, regFunc)                                 \
    ACRX_STANDIN_ENTRY(ADSSYMBOL, _ADSSYMBOL_ENTRY, __ADSSYMBOL_ENTRY_##classname##_##name, \
                       _RXST(#name), classname::ads_##name, regFunc, (UINT)-1)
#define ACED_ADSCOMMAND_ENTRY_AUTO(classname, name, regFunc)                                 \
    ACRX_STANDIN_ENTRY(ADSSYMBOL, _ADSSYMBOL_ENTRY, __ADSCOMMAND_ENTRY_##classname##_##name, \
                       _RXST("c:" #name), classname::ads_##name, regFunc, (UINT)-1)

// The module's instance handle, its one application object, acrxGetApp and
// the exported acrxEntryPoint, which hands every message to the object.
#if defined(_WIN32)
#define ACRX_STANDIN_EXPORT __declspec(dllexport)
#else
#define ACRX_STANDIN_EXPORT __attribute__((visibility("default")))
#endif
#define IMPLEMENT_ARX_ENTRYPOINT(classname)                                              \
    HINSTANCE _hdllInstance = NULL;                                                      \
    classname entryPointObject;                                                          \
    AcRxDbxApp* acrxGetApp() {                                                           \
        return &entryPointObject;                                                        \
    }                                                                                    \
    ACRX_STANDIN_BOUNDS(ARXCOMMAND, _ARXCOMMAND_ENTRY)                                   \
    ACRX_STANDIN_BOUNDS(ADSSYMBOL, _ADSSYMBOL_ENTRY)                                     \
    ACRX_STANDIN_BOUNDS(DBXCUSTOBJ, _DBX_REGISTER_OBJECT_ENTRY)                          \
    extern "C" ACRX_STANDIN_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, \
                                                                   void* pkt) {          \
        return entryPointObject.acrxEntryPoint(msg, pkt);                                \
    }
#define IMPLEMENT_ARX_ENTRYPOINT_STD(classname) IMPLEMENT_ARX_ENTRYPOINT(classname)
#define IMPLEMENT_ARX_ENTRYPOINT_CLR(classname) IMPLEMENT_ARX_ENTRYPOINT(classname)

// ---- The application class ----------------------------------------------------
class AcRxArxApp : public AcRxDbxApp {
public:
    AcRxArxApp() : AcRxDbxApp() {}

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kInitAppMsg(pkt);
        registerCommands(m_hdllInstance);
        return result;
    }
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kUnloadAppMsg(pkt);
        removeCommands();
        return result;
    }
    AcRx::AppRetCode On_kLoadDwgMsg(void* pkt) {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kLoadDwgMsg(pkt);
        forEachLispFunction(kDefine, 0);
        return result;
    }
    AcRx::AppRetCode On_kUnloadDwgMsg(void* pkt) {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kUnloadDwgMsg(pkt);
        forEachLispFunction(kUndefine, 0);
        return result;
    }
    // Calls the function whose number the host says is being invoked, if any.
    AcRx::AppRetCode On_kInvkSubrMsg(void* pkt) {
        const AcRx::AppRetCode result = AcRxDbxApp::On_kInvkSubrMsg(pkt);
        forEachLispFunction(kInvoke, acedGetFunCode());
        return result;
    }

private:
    // Buffer size for names loaded from the string resources.
    static const int kNameChars = 132;

    enum LispAction { kDefine, kUndefine, kInvoke };
    // Defines or undefines every Lisp function, numbered 0, 1, ... over the
    // non-null slots, or calls the one numbered `code`.
    void forEachLispFunction(LispAction action, int code) const {
        short number = 0;
        for (_ADSSYMBOL_ENTRY* const* slot = ACRX_STANDIN_FIRST(ADSSYMBOL);
             slot < ACRX_STANDIN_END(ADSSYMBOL); ++slot) {
            const _ADSSYMBOL_ENTRY* entry = *slot;
            if (entry == NULL) {
                continue;
            }
            ACHAR buffer[kNameChars];
            switch (action) {
                case kDefine:
                    acedDefun(entryName(entry->pszName, entry->nameID, buffer), number);
                    if (entry->bRegFunc) {
                        acedRegFunc(entry->fptr, number);
                    }
                    break;
                case kUndefine:
                    acedUndef(entryName(entry->pszName, entry->nameID, buffer), number);
                    break;
                case kInvoke:
                    if (number == code) {
                        entry->fptr();
                        return;
                    }
                    break;
            }
            ++number;
        }
    }

    // A name given in the record, or the string resource `id` loaded into
    // `buffer` (an unknown id gives an empty name).
    const ACHAR* entryName(const ACHAR* name, UINT id, ACHAR (&buffer)[kNameChars]) const {
        if (name != NULL) {
            return name;
        }
        buffer[0] = 0;
        ::LoadString(m_hdllInstance, id, buffer, kNameChars);
        return buffer;
    }
    // addCommand for every record, in order; session commands carry no
    // resources.
    void registerCommands(HINSTANCE instance) const {
        for (_ARXCOMMAND_ENTRY* const* slot = ACRX_STANDIN_FIRST(ARXCOMMAND);
             slot < ACRX_STANDIN_END(ARXCOMMAND); ++slot) {
            const _ARXCOMMAND_ENTRY* entry = *slot;
            if (entry == NULL) {
                continue;
            }
            ACHAR buffer[kNameChars];
            const ACHAR* localName = entryName(entry->pszCmdLocalName, entry->localNameID, buffer);
            const HINSTANCE resources = (entry->commandFlags & ACRX_CMD_SESSION) ? NULL : instance;
            if (AcEdCommandStack* stack = acedRegCmds) {
                stack->addCommand(entry->pszCmdGroupName, entry->pszCmdGlobalName, localName,
                                  entry->commandFlags, entry->pCmdFct, entry->pUIContext, -1,
                                  resources, NULL);
            }
        }
    }
    // removeCmd for every record, in order.
    static void removeCommands() {
        for (_ARXCOMMAND_ENTRY* const* slot = ACRX_STANDIN_FIRST(ARXCOMMAND);
             slot < ACRX_STANDIN_END(ARXCOMMAND); ++slot) {
            if (*slot == NULL) {
                continue;
            }
            if (AcEdCommandStack* stack = acedRegCmds) {
                stack->removeCmd((*slot)->pszCmdGroupName, (*slot)->pszCmdGlobalName);
            }
        }
    }
};
