// The host proxy's life: construction (settings copies, menu-export start,
// first timer), destruction, and the one-shot timer tick.
#include "auto_cad_proxy.h"

#include "logging.h"
#include "qx_auto_cad.h"

AutoCadProxy* gAutoCadProxy = NULL;
HINSTANCE gModuleInstance = NULL;

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

// Tick intervals: at rest, and while a cap motion is under way.
const UINT kIdleTickMs = 100;
const UINT kMotionTickMs = 10;

}  // namespace

AutoCadProxy::AutoCadProxy(QxAutoCad* qxAutoCadP)
    : mQxAutoCadP(qxAutoCadP),
      mTraSensBase(0),
      mRotSensBase(0),
      mMaxContMoveTime(0),
      mUseInt3dIntrfce(false),
      mNavMode(kNavModeNone),
      mIsCapMoving(false),
      mIsToRunTimer(true),
      mIsDocLocked(false),
      mIsNavBarHidden(false),
      mRotMode(kRotModeTarget),
      mIsZoomAllAfterView(0),
      mRotModeTens(0),
      mRotModeHundreds(0),
      mIsObjectMoveMode(false),
      mIsMenuLoaded(false),
      mTimerId(0),
      mLockedDocP(NULL),
      mIsViewLimitWarned(false),
      mIsMenuStampRacy(false) {
    QX_LOG(CRT, kSrcFile, kClass, "AutoCadProxy::AutoCadProxy") << "Constructing ..." << LOG_END;

    mTraSensBase = mQxAutoCadP->mTraSensBase;
    mRotSensBase = mQxAutoCadP->mRotSensBase;
    mMaxContMoveTime = static_cast<UINT32>(mQxAutoCadP->mMaxContMoveTime);
    mUseInt3dIntrfce = mQxAutoCadP->mUseInt3dIntrfce;

    // With the other interface in charge the menu items are not needed.
    if (!mUseInt3dIntrfce) {
        StartDotNETPlugin();
    }

    QX_LOG(CRT, kSrcFile, kClass, "AutoCadProxy::AutoCadProxy")
        << "AutoCadProxy constructed." << LOG_END;
    // Last, as nothing after them may fail: a proxy whose construction
    // failed is never reached by a tick or a command.
    mTimerId = SetTimer(NULL, 0, kIdleTickMs, TimerProc);
    gAutoCadProxy = this;
}

AutoCadProxy::~AutoCadProxy() {
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "AutoCadProxy::~AutoCadProxy")
                   << "Destructing ..." << LOG_END);
    try {
        releaseCapAtUnload();
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "AutoCadProxy::~AutoCadProxy");
    }
    // Whatever failed, no timer and no command reaches this object again.
    mIsToRunTimer = false;
    KillTimer(NULL, mTimerId);
    if (gAutoCadProxy == this) {
        gAutoCadProxy = NULL;
    }
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "AutoCadProxy::~AutoCadProxy")
                   << "Destructed." << LOG_END);
}

void CALLBACK TimerProc(HWND /*hWnd*/, UINT /*msg*/, UINT_PTR /*timerId*/, DWORD /*tickCount*/) {
    AutoCadProxy* proxy = gAutoCadProxy;
    if (proxy == NULL) {
        return;
    }
    // Nothing may escape into the host's message loop. After a failure the
    // timer is not armed again: device processing stops until the next load.
    try {
        KillTimer(NULL, proxy->mTimerId);
        if (!proxy->mIsMenuLoaded) {
            proxy->loadMenufile();
        }
        proxy->doTransform();
        if (proxy->mIsToRunTimer) {
            const UINT interval = proxy->mIsCapMoving ? kMotionTickMs : kIdleTickMs;
            proxy->mTimerId = SetTimer(NULL, 0, interval, TimerProc);
        }
    } catch (...) {
        QX_LOG_NOTHROW(QX_LOG(ERR, kSrcFile, "Global", "TimerProc")
                       << "Error TimerProc()" << LOG_END);
        // A motion under way ends: the drawing's lock and the navigation bar
        // are given back.
        try {
            proxy->releaseCapNow();
        } catch (...) {
            logCaughtException(kSrcFile, __LINE__, "Global", "TimerProc");
        }
    }
}
