// The four toggle commands: each flips one switch of the navigation and
// reports its new state on the host's command line. Host's main thread.
#include "toggle_commands.h"

#include <string>

#include "auto_cad_proxy.h"
#include "host_helpers.h"
#include "logging.h"
#include "qx_auto_cad.h"

namespace {

const char* const kSrcFile = "..\\..\\AutoCAD2011\\toggle_commands";

// With a loaded proxy: flips the switch that `flagOf` picks and prints the
// prefix followed by " on" or " off". Without one the command does nothing.
// A failure to print is logged; the switch keeps its new value.
void toggleAndReport(bool& (*flagOf)(AutoCadProxy&), const char* prefix, const char* command) {
    if (gAutoCadProxy == NULL) {
        return;
    }
    bool& flag = flagOf(*gAutoCadProxy);
    flag = !flag;
    try {
        const std::string message = std::string(prefix) + (flag ? " on" : " off");
        const std::wstring wide = widen(message);
        // The text holds no format directives.
        acutPrintf(wide.c_str());
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, "Global", command);
    }
}

bool& rotationCenterFlag(AutoCadProxy& proxy) {
    return proxy.mQxAutoCadP->mToggleRotationCenter;
}
bool& rotationAxisFlag(AutoCadProxy& proxy) {
    return proxy.mQxAutoCadP->mToggleRotationAxis;
}
bool& scrollModeFlag(AutoCadProxy& proxy) {
    return proxy.mQxAutoCadP->mScrollTreeAndList;
}
bool& objectMoveModeFlag(AutoCadProxy& proxy) {
    return proxy.mIsObjectMoveMode;
}

}  // namespace

void toggleRotationCenter() {
    toggleAndReport(rotationCenterFlag,
                    "\n=> Selection as Rotation Center: ", "toggleRotationCenter");
}

void toggleRotationAxis() {
    toggleAndReport(rotationAxisFlag,
                    "\n=> Selected Line as Rotation Axis: ", "toggleRotationAxis");
}

void toggleScrollMode() {
    toggleAndReport(scrollModeFlag, "\n=> Scroll Trees and Lists: ", "toggleScrollMode");
}

void toggleObjectMoveMode() {
    toggleAndReport(objectMoveModeFlag, "\n=> Move Selected Object: ", "toggleObjectMoveMode");
}
