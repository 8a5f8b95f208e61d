// The program's application object: its commands, registered with the
// framework's macros, and its handlers. The object itself and the exported
// entry point are in entry_points.cpp.
#include "autocad2011_app.h"

#include "command_table.h"
#include "logging.h"
#include "qx_auto_cad.h"
#include "toggle_commands.h"

namespace {

const char* const kSrcFile = "..\\..\\AutoCAD2011\\autocad2011_app";
const char* const kClass = "CAutoCAD2011App";

}  // namespace

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

// Nothing escapes into the host: what fails here leaves the plug-in off,
// with the commands doing nothing, until the next load.
AcRx::AppRetCode CAutoCAD2011App::On_kInitAppMsg(void* pkt) {
    AcRx::AppRetCode result = AcRx::kRetOK;
    try {
        result = AcRxArxApp::On_kInitAppMsg(pkt);
        // A second init without an unload keeps the running plug-in object.
        if (mQxAutoCadP.get() == NULL) {
            mQxAutoCadP.reset(new QxAutoCad());
        }
        acutPrintf(ACRX_T("\nmQxAutoCadP constructed\n"));
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "CAutoCAD2011App::On_kInitAppMsg");
        deletePlugIn();
    }
    return result;
}

// The plug-in object goes whatever the commands' removal does.
AcRx::AppRetCode CAutoCAD2011App::On_kUnloadAppMsg(void* pkt) {
    AcRx::AppRetCode result = AcRx::kRetOK;
    try {
        result = AcRxArxApp::On_kUnloadAppMsg(pkt);
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "CAutoCAD2011App::On_kUnloadAppMsg");
    }
    deletePlugIn();
    return result;
}

void CAutoCAD2011App::deletePlugIn() {
    try {
        mQxAutoCadP.reset();
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "CAutoCAD2011App::deletePlugIn");
    }
}
