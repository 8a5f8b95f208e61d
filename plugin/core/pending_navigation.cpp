// Operations not built yet; they do nothing.
#include "auto_cad_proxy.h"

void AutoCadProxy::handleCapIsDeflectedIn3DMode(int16_t, int16_t, int16_t, int16_t, int16_t,
                                                int16_t) {}
void AutoCadProxy::retrieveViewParams(AcGsView*& viewP, int32_t&) {
    viewP = nullptr;
}
bool AutoCadProxy::calcScreenAxesRelativeToObject(AcGsView*, AcGeVector3d&, AcGeVector3d&,
                                                  AcGeVector3d&) {
    return false;
}
void AutoCadProxy::moveXYZ(AcGsView*, double, double, double, const AcGeVector3d&,
                           const AcGeVector3d&, const AcGeVector3d&, int32_t, bool, bool) {}
void AutoCadProxy::move3D(AcGsView*, double, const AcGeVector3d&, bool, bool) {}
void AutoCadProxy::rotate(AcGsView*, double, int, const AcGePoint3d&, AcGeVector3d&, int32_t, bool,
                          bool) {}
void AutoCadProxy::handleCapIsReleased(int32_t) {}
void AutoCadProxy::handleCapIsDeflectedIn2DMode(int16_t, int16_t, int16_t) {}
void AutoCadProxy::pan2D(double, double) {}
void AutoCadProxy::zoom2D(double) {}
bool AutoCadProxy::transformSelection3d(double, double, double, double, double, double,
                                        const AcGeVector3d&, const AcGeVector3d&,
                                        const AcGeVector3d&, bool, bool) {
    return false;
}
bool AutoCadProxy::transformSelection2d(double, double) {
    return false;
}
bool AutoCadProxy::getSelObjectsCenter(ads_name, AcGePoint3d&) {
    return false;
}
bool AutoCadProxy::getSelObjectAxis(AcGeVector3d&, AcGePoint3d&) {
    return false;
}
