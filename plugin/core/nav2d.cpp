// 2D navigation: pans and zooms the view of a layout's paper space through
// the active paper-space viewport. The view centre and height are in drawing
// units; a positive tx moves the centre towards negative X, a positive tz
// zooms in. Host's main thread only.
#include <algorithm>
#include <cmath>

#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "logging.h"
#include "view_limits.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

}  // namespace

void AutoCadProxy::handleCapIsDeflectedIn2DMode(INT16 tx, INT16 ty, INT16 tz) {
    if (!mIsCapMoving) {
        mIsViewLimitWarned = false;
    }
    try {
        if (mIsObjectMoveMode && transformSelection2d(tx, ty)) {
            return;
        }
        if (!mIsCapMoving) {
            // The first step of a motion takes the drawing for the timer and
            // hides the navigation bar until the release.
            AcApDocManager* docManager = acDocManagerPtr();
            AcApDocument* doc = docManager != NULL ? docManager->curDocument() : NULL;
            takeDocumentLock(docManager, doc);
            if (!mIsDocLocked) {
                if (docManager != NULL) {
                    docManager->sendStringToExecute(doc, ACRX_T("_navbardisplay 0 "), false, false,
                                                    true);
                }
                mIsNavBarHidden = true;
            }
            mIsDocLocked = true;
            QX_LOG(TRC, kSrcFile, kClass, "AutoCadProxy::handleCapIsDeflectedIn2DMode")
                << "Document locked" << LOG_END;
        }
        if (!isUsableSensBase(mTraSensBase, "transSensBase",
                              "AutoCadProxy::handleCapIsDeflectedIn2DMode")) {
            return;
        }
        const double base = mTraSensBase;
        if (tx != 0 || ty != 0) {
            pan2D(-tx / base, -ty / base);
        }
        if (tz != 0) {
            zoom2D(-tz / base);
        }
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleCapIsDeflectedIn2DMode")
            << "Error handleCapIsDeflectedIn2DMode()" << LOG_END;
    }
}

void AutoCadProxy::pan2D(double dx, double dy) {
    AcDbObjectPointer<AcDbViewport> viewport(acedActiveViewportId(), AcDb::kForWrite);
    if (viewport.openStatus() != Acad::eOk) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::pan2D")
            << "AcDbObjectPointer could not be retrieved!" << LOG_END;
        return;
    }
    // dx and dy are fractions of the view's extent across and up.
    const double viewHeight = viewport->viewHeight();
    const double viewWidth = viewport->width() / viewport->height() * viewHeight;
    const AcGePoint2d centre = viewport->viewCenter();
    const View2dShape before(centre.x, centre.y, viewHeight);
    View2dShape view(centre.x + dx * viewWidth, centre.y + dy * viewHeight, viewHeight);
    if (limitView(before, view)) {
        warnViewOutOfLimits("AutoCadProxy::pan2D");
        if (isSameView(view, before)) {
            return;
        }
    }
    viewport->setViewCenter(AcGePoint2d(view.x, view.y));
    if (view.height != viewHeight) {
        viewport->setViewHeight(view.height);  // set up outside its limits
    }
    viewport->updateDisplay();
    viewport.close();
}

void AutoCadProxy::zoom2D(double dz) {
    // A factor below 1 shows the drawing larger.
    const double factor = dz < 0.0 ? std::max(1.0 - std::fabs(dz), kZoomStepMinFactor)
                                   : std::min(1.0 + std::fabs(dz), kZoomStepMaxFactor);
    AcDbObjectPointer<AcDbViewport> viewport(acedActiveViewportId(), AcDb::kForWrite);
    if (viewport.openStatus() != Acad::eOk) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::zoom2D")
            << "AcDbObjectPointer could not be retrieved!" << LOG_END;
        return;
    }
    const AcGePoint2d centre = viewport->viewCenter();
    const View2dShape before(centre.x, centre.y, viewport->viewHeight());
    View2dShape view(centre.x, centre.y, before.height * factor);
    if (limitView(before, view)) {
        warnViewOutOfLimits("AutoCadProxy::zoom2D");
        if (isSameView(view, before)) {
            return;
        }
        viewport->setViewCenter(AcGePoint2d(view.x, view.y));
    }
    viewport->setViewHeight(view.height);
    viewport->updateDisplay();
    viewport.close();
}
