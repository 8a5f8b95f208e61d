// The program's application object and its static tables; the module's
// exported entry point is in entry_points.cpp.
#include "autocad2011_app.h"

#include "qx_auto_cad.h"
#include "toggle_commands.h"

namespace {

constexpr const ACHAR* kGroup = ACRX_T("QXGroup");

// The four commands, registered in this order under equal global and local
// names.
const CommandEntry kToggleRotationCenter = {kGroup,
                                            ACRX_T("QX_Toggle_Rotation_Center"),
                                            ACRX_T("QX_Toggle_Rotation_Center"),
                                            0,
                                            toggleRotationCenter,
                                            nullptr,
                                            kNoResourceId};
const CommandEntry kToggleRotationAxis = {kGroup,
                                          ACRX_T("QX_Toggle_Rotation_Axis"),
                                          ACRX_T("QX_Toggle_Rotation_Axis"),
                                          0,
                                          toggleRotationAxis,
                                          nullptr,
                                          kNoResourceId};
const CommandEntry kToggleScrollMode = {kGroup,
                                        ACRX_T("QX_Toggle_Scroll_Mode"),
                                        ACRX_T("QX_Toggle_Scroll_Mode"),
                                        0,
                                        toggleScrollMode,
                                        nullptr,
                                        kNoResourceId};
const CommandEntry kToggleObjectMoveMode = {kGroup,
                                            ACRX_T("QX_Toggle_Object_Move_Mode"),
                                            ACRX_T("QX_Toggle_Object_Move_Mode"),
                                            0,
                                            toggleObjectMoveMode,
                                            nullptr,
                                            kNoResourceId};

const CommandEntry* const kCommandTable[] = {&kToggleRotationCenter, &kToggleRotationAxis,
                                             &kToggleScrollMode, &kToggleObjectMoveMode};

// This program defines no Lisp functions and no custom classes.
const LispFunctionEntry* const kLispFunctionTable[] = {nullptr};
CustomClassEntry* const kCustomClassTable[] = {nullptr};

}  // namespace

CommandTable moduleCommandTable() {
    return kCommandTable;
}
LispFunctionTable moduleLispFunctionTable() {
    return kLispFunctionTable;
}
CustomClassTable moduleCustomClassTable() {
    return kCustomClassTable;
}

constinit CAutoCAD2011App theApp;

CAutoCAD2011App::~CAutoCAD2011App() = default;

AcRx::AppRetCode CAutoCAD2011App::On_kInitAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxArxApp::On_kInitAppMsg(pkt);
    // A second init without an unload keeps the running plug-in object.
    if (!mQxAutoCadP) {
        mQxAutoCadP = std::make_unique<QxAutoCad>();
    }
    acutPrintf(ACRX_T("\nmQxAutoCadP constructed\n"));
    return result;
}

AcRx::AppRetCode CAutoCAD2011App::On_kUnloadAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxArxApp::On_kUnloadAppMsg(pkt);
    mQxAutoCadP.reset();
    return result;
}
