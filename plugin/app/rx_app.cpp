// The application framework: message dispatch, framework initialisation and
// unload, command registration and the Lisp function messages.
#include "rx_app.h"

#include "app_tables.h"
#include "module_instance.h"

namespace {

// The host's application loader; it exists while the host runs.
AcRxDynamicLinker* dynamicLinker() {
    return AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER));
}

}  // namespace

AcRx::AppRetCode AcRxDbxApp::dispatch(AcRx::AppMsgCode msg, void* pkt) {
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

AcRx::AppRetCode AcRxDbxApp::On_kInitAppMsg(void* pkt) {
    mHdllInstance = gModuleInstance;
    if (mIsUnlocked) {
        if (AcRxDynamicLinker* linker = dynamicLinker()) {
            linker->unlockApplication(pkt);
        }
    }
    if (mIsMDIAware) {
        if (AcRxDynamicLinker* linker = dynamicLinker()) {
            linker->registerAppMDIAware(pkt);
        }
    }
    RegisterServerComponents();
    initCustomClasses(moduleCustomClassTable());
    return AcRx::kRetOK;
}

AcRx::AppRetCode AcRxDbxApp::On_kUnloadAppMsg(void*) {
    unregisterCustomClasses(moduleCustomClassTable());
    return AcRx::kRetOK;
}

AcRx::AppRetCode AcRxDbxApp::On_kLoadDwgMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kUnloadDwgMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kInvkSubrMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kCfgMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kEndMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kQuitMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kSaveMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kDependencyMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kNoDependencyMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kOleUnloadAppMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kPreQuitMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kInitDialogMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kEndDialogMsg(void*) {
    return AcRx::kRetOK;
}
AcRx::AppRetCode AcRxDbxApp::On_kNullMsg(void*) {
    return AcRx::kRetOK;
}

AcRx::AppRetCode AcRxArxApp::On_kInitAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxDbxApp::On_kInitAppMsg(pkt);
    registerCommands(moduleCommandTable(), mHdllInstance);
    return result;
}

AcRx::AppRetCode AcRxArxApp::On_kUnloadAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxDbxApp::On_kUnloadAppMsg(pkt);
    removeCommands(moduleCommandTable());
    return result;
}

AcRx::AppRetCode AcRxArxApp::On_kLoadDwgMsg(void*) {
    defineLispFunctions(moduleLispFunctionTable(), mHdllInstance);
    return AcRx::kRetOK;
}

AcRx::AppRetCode AcRxArxApp::On_kUnloadDwgMsg(void*) {
    undefineLispFunctions(moduleLispFunctionTable(), mHdllInstance);
    return AcRx::kRetOK;
}

AcRx::AppRetCode AcRxArxApp::On_kInvkSubrMsg(void*) {
    invokeLispFunction(moduleLispFunctionTable());
    return AcRx::kRetOK;
}
