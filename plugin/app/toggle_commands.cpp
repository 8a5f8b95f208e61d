// The four toggle commands: each flips one switch of the navigation and
// reports its new state on the host's command line. Host's main thread.
#include "toggle_commands.h"

#include <string>

#include "auto_cad_proxy.h"
#include "host_helpers.h"
#include "qx_auto_cad.h"

namespace {

// Flips `flag` and prints the prefix followed by " on" or " off".
void toggleAndReport(bool& flag, const char* prefix) {
    flag = !flag;
    const std::string message = std::string(prefix) + (flag ? " on" : " off");
    const std::wstring wide = widen(message);
    // The text holds no format directives.
    acutPrintf(wide.c_str());
}

}  // namespace

void toggleRotationCenter() {
    if (gAutoCadProxy == nullptr) {
        return;
    }
    toggleAndReport(gAutoCadProxy->mQxAutoCadP->mToggleRotationCenter,
                    "\n=> Selection as Rotation Center: ");
}

void toggleRotationAxis() {
    if (gAutoCadProxy == nullptr) {
        return;
    }
    toggleAndReport(gAutoCadProxy->mQxAutoCadP->mToggleRotationAxis,
                    "\n=> Selected Line as Rotation Axis: ");
}

void toggleScrollMode() {
    if (gAutoCadProxy == nullptr) {
        return;
    }
    toggleAndReport(gAutoCadProxy->mQxAutoCadP->mScrollTreeAndList,
                    "\n=> Scroll Trees and Lists: ");
}

void toggleObjectMoveMode() {
    if (gAutoCadProxy == nullptr) {
        return;
    }
    toggleAndReport(gAutoCadProxy->mIsObjectMoveMode, "\n=> Move Selected Object: ");
}
