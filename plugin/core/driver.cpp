// The navigation driver: the tick's time-budgeted loop, the per-pass cap
// dispatcher and the navigation mode. Host's main thread only.
#include <cstdlib>

#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "logging.h"
#include "qx_auto_cad.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

// The low 16 bits of the setting, read as a signed number.
INT16 lowSigned16(INT32 value) {
    return static_cast<INT16>(static_cast<UINT16>(static_cast<UINT32>(value) & 0xFFFFu));
}

}  // namespace

void AutoCadProxy::doTransform() {
    const DWORD start = GetTickCount();
    UINT32 elapsed = 0;
    bool isGoOn = true;
    // The budget is checked before each pass; the last pass runs to its end.
    while (elapsed < mMaxContMoveTime && isGoOn) {
        // Unsigned arithmetic: a wrap of the tick counter is harmless.
        elapsed = GetTickCount() - start;
        try {
            handleDeviceKeys();
            isGoOn = mUseInt3dIntrfce ? false : handleDeviceCap();
        } catch (...) {
            QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::doTransform")
                << "Error doTransform()" << LOG_END;
        }
    }
}

bool AutoCadProxy::handleDeviceCap() {
    const INT32 threshold = lowSigned16(mQxAutoCadP->mMinThreshold);
    const INT32 mode = retrieveNavMode();
    const CapSample cap = mQxAutoCadP->capSample();

    // In 32 bits, so that -32768 counts as 32768.
    const INT16 axes[] = {cap.tx, cap.ty, cap.tz, cap.rx, cap.ry, cap.rz};
    bool isAtRest = true;
    for (int i = 0; i < 6; ++i) {
        isAtRest = isAtRest && std::abs(static_cast<INT32>(axes[i])) <= threshold;
    }
    if (isAtRest) {
        handleCapIsReleased(mode);
        return false;
    }

    // A control under the pointer took the pass: no navigation, no motion.
    if (scrollWindowUnderCursor(cap.tx, cap.ty, cap.tz)) {
        return true;
    }

    // All six axes go on at full value: no dead zone is subtracted. The
    // handlers still see mIsCapMoving false on a motion's first step.
    if (mode == kNavMode2D) {
        handleCapIsDeflectedIn2DMode(cap.tx, cap.ty, cap.tz);
    } else {
        handleCapIsDeflectedIn3DMode(cap.tx, cap.ty, cap.tz, cap.rx, cap.ry, cap.rz);
    }
    if (!mIsCapMoving) {
        mIsCapMoving = true;
        QX_LOG(INF, kSrcFile, kClass, "AutoCadProxy::handleDeviceCap") << "Cap moving." << LOG_END;
    }
    return true;
}

INT32 AutoCadProxy::retrieveNavMode() {
    // A variable that cannot be read (no drawing open), or that comes as
    // another type than a short, keeps the value of the Model tab, so without
    // a document the mode is 3D.
    short tileMode = 1;
    short cvport = 2;
    resbuf value = {};
    if (acedGetVar(ACRX_T("tilemode"), &value) == RTNORM && value.restype == RTSHORT) {
        tileMode = value.resval.rint;
    }
    if (acedGetVar(ACRX_T("cvport"), &value) == RTNORM && value.restype == RTSHORT) {
        cvport = value.resval.rint;
    }
    mNavMode = (tileMode == 0 && cvport == 1) ? kNavMode2D : kNavMode3D;
    return mNavMode;
}
