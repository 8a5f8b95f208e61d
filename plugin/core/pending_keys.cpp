// Operations not built yet; they do nothing.
#include "auto_cad_proxy.h"

bool AutoCadProxy::scrollWindowUnderCursor(int32_t, int32_t, int32_t) {
    return false;
}
void AutoCadProxy::handleDeviceKeys() {}
void AutoCadProxy::execApplFunction(int32_t) {}
void AutoCadProxy::execSpecialApplFunction(int32_t) {}
void AutoCadProxy::loadMenufile() {}
void AutoCadProxy::StartDotNETPlugin() {}
