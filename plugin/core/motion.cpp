// What every motion shares, in 2D and 3D alike: the document lock taken on
// its first step, the check of the sensitivity bases, and the release of the
// cap that ends it. Host's main thread only.
#include <windows.h>

#include <gs.h>

#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "logging.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

}  // namespace

void AutoCadProxy::lockDocumentForMotion() {
    if (mIsDocLocked) {
        return;
    }
    AcApDocManager* docManager = acDocManagerPtr();
    if (docManager != NULL) {
        takeDocumentLock(docManager, docManager->curDocument());
    }
    mIsDocLocked = true;
}

void AutoCadProxy::takeDocumentLock(AcApDocManager* docManager, AcApDocument* doc) {
    if (docManager != NULL &&
        docManager->lockDocument(doc, AcAp::kWrite, NULL, NULL, true) == Acad::eOk) {
        mLockedDocP = doc;
    }
}

void AutoCadProxy::giveDocumentLockBack(AcApDocManager* docManager) {
    // Not the current drawing: the user may have switched since the lock was
    // taken.
    if (docManager != NULL && mLockedDocP != NULL) {
        docManager->unlockDocument(mLockedDocP);
    }
    mIsDocLocked = false;
    mLockedDocP = NULL;
}

bool AutoCadProxy::isUsableSensBase(INT32 base, const char* key, const char* method) const {
    if (base != 0) {
        return true;
    }
    // Dividing by 0 would send infinities into the view: that axis group
    // stays still, and the user learns why once per motion.
    if (!mIsCapMoving) {
        QX_LOG(ERR, kSrcFile, kClass, method)
            << "Setting '" << key << "' is 0: that motion is switched off" << LOG_END;
    }
    return false;
}

void AutoCadProxy::releaseCapAtUnload() {
    if (!mIsCapMoving) {
        return;
    }
    QX_LOG(INF, kSrcFile, kClass, "AutoCadProxy::releaseCapAtUnload")
        << "Unloaded during a motion - cap released." << LOG_END;
    releaseCapNow();
}

void AutoCadProxy::releaseCapForDocument(AcApDocument* doc, const char* why) {
    if (!mIsCapMoving || doc == NULL || (doc != mLockedDocP && doc != currentDocument())) {
        return;
    }
    QX_LOG(INF, kSrcFile, kClass, "AutoCadProxy::releaseCapForDocument")
        << why << " - cap released." << LOG_END;
    releaseCapNow();
}

void AutoCadProxy::releaseCapNow() {
    // A pass in paper space hid the navigation bar; the mode may have
    // changed since, so the bar is brought back whatever the last mode was.
    handleCapIsReleased(mIsNavBarHidden ? kNavMode2D : mNavMode.get());
}

void AutoCadProxy::handleCapIsReleased(INT32 mode) {
    if (!mIsCapMoving) {
        return;
    }
    try {
        AcApDocManager* docManager = acDocManagerPtr();
        AcApDocument* doc = docManager != NULL ? docManager->curDocument() : NULL;
        if (mode == kNavMode2D) {
            if (mIsNavBarHidden && docManager != NULL) {
                docManager->sendStringToExecute(doc, ACRX_T("_navbardisplay 1 "), false, false,
                                                true);
            }
            mIsNavBarHidden = false;
            giveDocumentLockBack(docManager);
            QX_LOG(TRC, kSrcFile, kClass, "AutoCadProxy::handleCapIsReleased")
                << "Document unlocked" << LOG_END;
        } else {
            // Object move mode locked the drawing for this motion.
            giveDocumentLockBack(docManager);
            AcGsView* viewP = NULL;
            INT32 vportNum = 0;
            retrieveViewParams(viewP, vportNum);
            if (viewP != NULL) {
                if (viewP->isValid()) {
                    acgsSetViewParameters(vportNum, viewP, true, true, false);
                } else {
                    QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleCapIsReleased")
                        << "viewP not valid!" << LOG_END;
                }
            }
        }
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleCapIsReleased")
            << "Error handleCapIsReleased()" << LOG_END;
    }
    mIsCapMoving = false;
    QX_LOG(TRC, kSrcFile, kClass, "AutoCadProxy::handleCapIsReleased")
        << "Cap released." << LOG_END;
}
