// The program's application object: its commands, registered with the
// framework's macros, and its handlers. The object itself and the exported
// entry point are in entry_points.cpp.
#include "autocad2011_app.h"

#include "command_table.h"
#include "qx_auto_cad.h"
#include "toggle_commands.h"

// The commands of the table, registered in its order under equal global and
// local names, each run by its toggle function.
#define QX_REGISTER_COMMAND(name, function)                                                \
    ACED_ARXCOMMAND_ENTRY_AUTO(CAutoCAD2011App, QXGroup, name, name, ACRX_CMD_MODAL, NULL) \
    void CAutoCAD2011App::QXGroup##name() {                                                \
        function();                                                                        \
    }
QX_COMMANDS(QX_REGISTER_COMMAND)

CAutoCAD2011App::CAutoCAD2011App() : AcRxArxApp() {}
CAutoCAD2011App::~CAutoCAD2011App() {}

AcRx::AppRetCode CAutoCAD2011App::On_kInitAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxArxApp::On_kInitAppMsg(pkt);
    // A second init without an unload keeps the running plug-in object.
    if (mQxAutoCadP.get() == NULL) {
        mQxAutoCadP.reset(new QxAutoCad());
    }
    acutPrintf(ACRX_T("\nmQxAutoCadP constructed\n"));
    return result;
}

AcRx::AppRetCode CAutoCAD2011App::On_kUnloadAppMsg(void* pkt) {
    const AcRx::AppRetCode result = AcRxArxApp::On_kUnloadAppMsg(pkt);
    mQxAutoCadP.reset();
    return result;
}
