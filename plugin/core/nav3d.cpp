// 3D navigation: one step of camera motion per pass of a deflected cap in the
// current viewport's graphics view.
// Frames: world coordinates; screen axes X (screen left), Y (screen up), Z
// (out of the screen, target towards camera). Angles in radians, right-hand
// rule. Host's main thread only.
#include <algorithm>
#include <cmath>

#include <windows.h>

#include <gs.h>

#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "logging.h"
#include "nav_memory.h"
#include "qx_auto_cad.h"
#include "view_limits.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

// Shift of one unit of dx, dy or dz, in units of sqrt(field width x height).
const double kMoveScale = 5.0;

// Rotation modes that turn every motion round (camera-centred steering).
bool isInverted(INT32 rotMode) {
    return rotMode == kRotModeCamera || rotMode == kRotModeInvertedTarget;
}

AcGsView::Projection projectionOf(bool isPerspective) {
    return isPerspective ? AcGsView::kPerspective : AcGsView::kParallel;
}

ViewShape shapeOf(const AcGsView* viewP) {
    return ViewShape(viewP->position(), viewP->target(), viewP->upVector(), viewP->fieldWidth(),
                     viewP->fieldHeight());
}

// Ends a 3D step: a view that passed its limits goes up to them (with the
// warning for `method`) before the redraw; one left as it was is not redrawn.
void finishStep(AutoCadProxy& proxy, AcGsView* viewP, const ViewShape& before, bool isPerspective,
                const char* method) {
    ViewShape view = shapeOf(viewP);
    if (limitView(before, view)) {
        viewP->setView(view.position, view.target, view.up, view.width, view.height,
                       projectionOf(isPerspective));
        proxy.warnViewOutOfLimits(method);
        if (isSameView(view, before)) {
            return;
        }
    }
    viewP->update();
}

}  // namespace

void AutoCadProxy::handleCapIsDeflectedIn3DMode(INT16 tx, INT16 ty, INT16 tz, INT16 rx, INT16 ry,
                                                INT16 rz) {
    const char* method = "AutoCadProxy::handleCapIsDeflectedIn3DMode";
    if (!mIsCapMoving) {
        mIsViewLimitWarned = false;
    }
    try {
        AcGsView* viewP = NULL;
        INT32 vportNum = 0;
        retrieveViewParams(viewP, vportNum);
        if (viewP == NULL) {
            QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleCapIsDeflectedIn3DMode")
                << "ViewP could not be retrieved!" << LOG_END;
            return;
        }
        AcGeVector3d xAxis;
        AcGeVector3d yAxis;
        AcGeVector3d zAxis;
        if (!calcScreenAxesRelativeToObject(viewP, xAxis, yAxis, zAxis)) {
            return;
        }
        const bool isPersp = viewP->isPerspective();
        // The device link may change these at any time: one value per step.
        const INT32 rotMode = mRotMode.get();
        const bool isNoRoll = mRotModeTens.get() != 0;
        const bool isLevel = mRotModeHundreds.get() != 0;

        if (mIsObjectMoveMode &&
            transformSelection3d(tx, ty, tz, rx, ry, rz, xAxis, yAxis, zAxis, isLevel, isNoRoll)) {
            viewP->update();
            return;
        }

        const ViewShape before = shapeOf(viewP);
        const bool canMove = isUsableSensBase(mTraSensBase, "transSensBase", method);
        const bool canTurn = isUsableSensBase(mRotSensBase, "rotSensBase", method);

        if (canMove && (tx != 0 || ty != 0 || tz != 0)) {
            const double base = mTraSensBase;
            moveXYZ(viewP, tx / base, ty / base, tz / base, xAxis, yAxis, zAxis, rotMode, isPersp,
                    isLevel);
        }
        if (!canTurn || (rx == 0 && ry == 0 && rz == 0)) {
            finishStep(*this, viewP, before, isPersp, method);
            return;
        }

        // Rotation axes start as the screen axes; the centre comes from the
        // selected line, the selected objects or the rotation mode.
        AcGeVector3d axes[3] = {xAxis, yAxis, zAxis};
        INT32 values[3] = {rx, ry, rz};
        AcGePoint3d centre = gWorldOrigin;  // every mode without a centre of its own
        if (mQxAutoCadP->mToggleRotationAxis && getSelObjectAxis(gSelAxis, gSelPoint)) {
            // Each rotation turns about the line, scaled by how closely the
            // line follows that screen axis.
            for (int i = 0; i < 3; ++i) {
                const double f = std::max(-1.0, std::min(gSelAxis.dotProduct(axes[i]), 1.0));
                values[i] = static_cast<INT32>(values[i] * f);  // towards zero
                axes[i] = gSelAxis;
            }
            centre = gSelPoint;
        } else if (mQxAutoCadP->mToggleRotationCenter && getSelObjectsCenter(NULL, gSelPoint)) {
            centre = gSelPoint;
        } else if (rotMode == kRotModeCamera && isPersp) {
            centre = viewP->position();
        } else if (rotMode == kRotModeTarget || rotMode == kRotModeInvertedTarget) {
            centre = viewP->target();
        }

        const double base = mRotSensBase;
        if (values[0] != 0) {
            rotate(viewP, values[0] / base, 0, centre, axes[0], rotMode, isNoRoll, isPersp);
        }
        if (values[1] != 0) {
            rotate(viewP, -values[1] / base, 1, centre, axes[1], rotMode, isNoRoll, isPersp);
        }
        if (values[2] != 0) {
            rotate(viewP, -values[2] / base, 2, centre, axes[2], rotMode, isNoRoll, isPersp);
        }
        finishStep(*this, viewP, before, isPersp, method);
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleCapIsDeflectedIn3DMode")
            << "Error handleCapIsDeflectedIn3DMode()" << LOG_END;
    }
}

void AutoCadProxy::retrieveViewParams(AcGsView*& viewP, INT32& vportNum) {
    resbuf value = {};
    const int rc = acedGetVar(ACRX_T("CVPORT"), &value);
    gLastViewP = NULL;
    // A value of another type than a short counts as not read.
    if (rc != RTNORM || value.restype != RTSHORT) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::retrieveViewParams")
            << "System variable 'CVPORT'could not be retrieved! rc = " << rc << LOG_END;
    } else {
        gLastVportNum = value.resval.rint;
        gLastViewP = acgsGetGsView(gLastVportNum, true);
        if (gLastViewP == NULL) {
            QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::retrieveViewParams")
                << "AcGsView object could not be retrieved!" << LOG_END;
        }
    }
    viewP = gLastViewP;
    vportNum = gLastVportNum;
}

bool AutoCadProxy::calcScreenAxesRelativeToObject(AcGsView* viewP, AcGeVector3d& xAxis,
                                                  AcGeVector3d& yAxis, AcGeVector3d& zAxis) {
    try {
        const AcGeVector3d toCamera = viewP->position() - viewP->target();
        const AcGeVector3d up = viewP->upVector();
        zAxis = toCamera;
        yAxis = up;
        xAxis = toCamera.crossProduct(up);  // Z x Y: screen left
        xAxis.normalize(AcGeContext::gTol);
        yAxis.normalize(AcGeContext::gTol);
        zAxis.normalize(AcGeContext::gTol);
        return true;
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::calcScreenAxesRelativeToObject")
            << "Error calcScreenAxesRelativeToObject()" << LOG_END;
        return false;
    }
}

void AutoCadProxy::moveXYZ(AcGsView* viewP, double dx, double dy, double dz,
                           const AcGeVector3d& xAxis, const AcGeVector3d& yAxis,
                           const AcGeVector3d& zAxis, INT32 rotMode, bool isPerspective,
                           bool isLevel) {
    try {
        if (viewP == NULL) {
            return;
        }
        if (isInverted(rotMode)) {
            dx = -dx;
            dy = -dy;
            dz = -dz;
        }
        if (dx != 0.0) {
            QX_LOG(INF, kSrcFile, kClass, "AutoCadProxy::moveXYZ")
                << "Move x-Direction, value: " << dx << LOG_END;
            move3D(viewP, kMoveScale * dx, xAxis, isLevel, isPerspective);
        }
        if (dy != 0.0) {
            QX_LOG(INF, kSrcFile, kClass, "AutoCadProxy::moveXYZ")
                << "Move y-Direction, value: " << dy << LOG_END;
            move3D(viewP, -kMoveScale * dy, yAxis, isLevel, isPerspective);
        }
        if (dz == 0.0) {
            return;
        }
        QX_LOG(INF, kSrcFile, kClass, "AutoCadProxy::moveXYZ")
            << "Move z-Direction, value: " << dz << LOG_END;
        if (isLevel && isPerspective) {
            // Dolly: camera and target travel together along the view line.
            move3D(viewP, -kMoveScale * dz, zAxis, isLevel, isPerspective);
            return;
        }
        const double factor = dz < 0.0 ? std::max(1.0 - std::fabs(dz), kZoomStepMinFactor)
                                       : std::min(1.0 + std::fabs(dz), kZoomStepMaxFactor);
        viewP->zoom(factor);
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::moveXYZ") << "Error moveXYZ()" << LOG_END;
    }
}

void AutoCadProxy::move3D(AcGsView* viewP, double amount, const AcGeVector3d& direction,
                          bool isLevel, bool isPerspective) {
    try {
        if (amount == 0.0 || viewP == NULL) {
            return;
        }
        AcGePoint3d position = viewP->position();
        AcGePoint3d target = viewP->target();
        const double width = viewP->fieldWidth();
        const double height = viewP->fieldHeight();
        // The shift grows and shrinks with the zoom level.
        const double shift = std::sqrt(height * width) * amount;
        AcGeVector3d move = direction * shift;
        if (isLevel && isPerspective) {
            move.z = 0.0;  // level movement: world Z stays
        }
        position += move;
        target += move;
        viewP->setView(position, target, viewP->upVector(), width, height,
                       projectionOf(isPerspective));
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::move3D") << "Error move3D()" << LOG_END;
    }
}

void AutoCadProxy::rotate(AcGsView* viewP, double angle, int axisIndex, const AcGePoint3d& centre,
                          AcGeVector3d& axis, INT32 rotMode, bool isNoRoll, bool isPerspective) {
    try {
        if (angle == 0.0) {
            return;
        }
        if (axisIndex == 2 && isNoRoll) {
            return;  // no roll
        }
        if (isInverted(rotMode)) {
            angle = -angle;
        }
        QX_LOG(DBG, kSrcFile, kClass, "AutoCadProxy::rotate")
            << "Rotate Axis: " << angle << "(" << axisIndex << ")" << LOG_END;
        if (viewP == NULL) {
            return;
        }
        if (axisIndex == 1 && isNoRoll) {
            // Yaw about world Z, in the sense the user sees when the screen
            // is upside down.
            if (axis.z < 0.0) {
                angle = -angle;
            }
            axis = AcGeVector3d(0.0, 0.0, 1.0);
        }
        AcGePoint3d position = viewP->position();
        AcGePoint3d target = viewP->target();
        AcGeVector3d up = viewP->upVector();
        position.rotateBy(angle, axis, centre);
        target.rotateBy(angle, axis, centre);
        up.rotateBy(angle, axis);
        viewP->setView(position, target, up, viewP->fieldWidth(), viewP->fieldHeight(),
                       projectionOf(isPerspective));
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::rotate") << "Error rotate()" << LOG_END;
    }
}
