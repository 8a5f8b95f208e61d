// The device link: sign-on, device list, rotation settings, the reading
// loop and the mode report, all through the controller library.
#include "daemon_proxy.h"

#include <cstring>
#include <string>

#include "auto_cad_proxy.h"
#include "logging.h"
#include "qx_auto_cad.h"
#include "qxv_ctrlr.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\daemon_proxy";
const char* const kClass = "DaemonProxy";

// Names under which the plug-in signs on and reports its mode.
const char* const kApplName = "acad";
const char* const kModeApplName = "AutoCAD";

// Pause after a read that failed at once (within the millisecond it began),
// so that a library whose read does not wait while the daemon is gone does
// not make the loop spin. A read that waited and was then released (by a
// disconnect or the loss of the daemon) is followed by the next one at once.
// Destruction cuts the pause short.
const DWORD kFailedReadPauseMs = 100;

void* readThreadMain(void* arg) {
    DaemonProxy* self = static_cast<DaemonProxy*>(arg);
    try {
        QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::readMouseEvents")
            << "Creating reading thread ..." << LOG_END;
        self->readMouseEvents();
        QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::readMouseEvents")
            << "Reading thread ended." << LOG_END;
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "DaemonProxy::readMouseEvents");
    }
    return NULL;
}

bool isSpecialFunction(INT32 code) {
    return (code >= kEvSpecialFirst && code <= kEvSpecialLast) ||
           (code >= kEvSpecial2First && code <= kEvSpecial2Last);
}

}  // namespace

DaemonProxy::DaemonProxy(QxAutoCad* qxAutoCadP)
    : mQxAutoCadP(qxAutoCadP),
      mReadThread(),
      mIsToRead(0),
      mIsReading(0),
      mIsConnected(0),
      mIsToSendMode(0),
      mStopEvent(NULL),
      mIsReadThreadStarted(false) {
    mIsToRead = true;
    QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::DaemonProxy") << "Constructing ..." << LOG_END;

    mQxAutoCadP->mApplFunction = -1;
    mIsConnected = connect();

    mStopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    mIsReadThreadStarted = pthread_create(&mReadThread, NULL, readThreadMain, this) == 0;

    try {
        QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::DaemonProxy") << "Constructed." << LOG_END;
    } catch (...) {
        gLogging.abandonEntry();  // the threads may wait to log
        stopReading();            // no reading thread outlives a link that was never made
        throw;
    }
}

DaemonProxy::~DaemonProxy() {
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::~DaemonProxy")
                   << "Destructing ..." << LOG_END);
    stopReading();
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::~DaemonProxy")
                   << "Destructed." << LOG_END);
}

void DaemonProxy::stopReading() {
    mIsToRead = false;
    if (mStopEvent != NULL) {
        SetEvent(mStopEvent);
    }
    // Ending the sign-on releases a read that waits in the library. Whatever
    // that call does, the reading thread is joined before this object goes.
    try {
        if (qxDisConnect() != 0) {
            // Spelled as the library's call here and "qxDisconnect" in
            // checkConnection: both log texts are fixed as they are.
            QX_LOG_NOTHROW(QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::~DaemonProxy")
                           << "Error in qxDisConnect()!" << LOG_END);
        }
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "DaemonProxy::stopReading");
    }
    if (mIsReadThreadStarted) {
        pthread_join(mReadThread, NULL);
        mIsReadThreadStarted = false;
    }
    if (mStopEvent != NULL) {
        CloseHandle(mStopEvent);
        mStopEvent = NULL;
    }
}

bool DaemonProxy::connect() {
    QX_LOG(TRC, kSrcFile, kClass, "DaemonProxy::connect") << "Checking connection ..." << LOG_END;
    mIsConnected = false;

    if (qxConnect(0, kApplName) != 0) {
        QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::connect") << "Error in qxConnect()!" << LOG_END;
        return false;
    }

    int devNum = 0;
    int unused1 = 0;
    int unused2 = 0;
    if (qxGetDevNum(&devNum, &unused1, &unused2) != 0) {
        QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::connect")
            << "Error in qxGetDevNum()!" << LOG_END;
        return false;
    }

    for (INT32 devIdx = 0; devIdx < devNum; ++devIdx) {
        unsigned char devInfo[kDevInfoSize] = {};
        if (qxGetDevInfo(devIdx, devInfo) != 0) {
            QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::connect")
                << "Error in qxGetDevInfo()!" << LOG_END;
            return false;
        }
        // The name is zero-terminated within the block; never read past it.
        const char* name = reinterpret_cast<const char*>(devInfo + kDevInfoNameOffset);
        const std::string devName(name, strnlen(name, kDevInfoSize - kDevInfoNameOffset));
        QX_LOG(INF, kSrcFile, kClass, "DaemonProxy::connect")
            << "devIdx: " << devIdx << ":" << devName << LOG_END;
    }

    retrieveRotMode();

    mIsToSendMode = true;
    mIsConnected = true;
    return true;
}

bool DaemonProxy::checkConnection() {
    int devNum = 0;
    int unused1 = 0;
    int unused2 = 0;
    if (qxGetDevNum(&devNum, &unused1, &unused2) == 0) {
        mIsConnected = true;
        return true;
    }
    QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::checkConnection")
        << "Error in qxGetDevNum()!" << LOG_END;
    // Devices send nothing while the cap is held still, so the last sample
    // would keep moving the view for ever once the daemon is gone. Storing a
    // cap at rest lets the next pass end the motion as a release does. Only
    // a link that held is released: a daemon that stays away logs it once.
    if (mIsConnected.exchange(0) != 0) {
        mQxAutoCadP->setCapSample(CapSample());
        QX_LOG(INF, kSrcFile, kClass, "DaemonProxy::checkConnection")
            << "Connection lost - cap released." << LOG_END;
    }
    if (qxDisConnect() != 0) {
        // "qxDisconnect" differs from the call's name and from the
        // destructor's text on purpose: the log text is fixed as it is.
        QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::checkConnection")
            << "Error in qxDisconnect()!" << LOG_END;
    }
    return false;
}

void DaemonProxy::retrieveRotMode() {
    unsigned char settings[kAdvSettingsSize] = {};
    if (qxGetAdvancedSettings(0, settings) != 0) {
        QX_LOG(ERR, kSrcFile, kClass, "DaemonProxy::retrieveRotMode")
            << "Error in qxGetAdvancedSettings()!" << LOG_END;
        // Whatever a failed call left in the block is not a setting.
        std::memset(settings, 0, sizeof settings);
    }

    INT32 code = 0;
    std::memcpy(&code, settings + kAdvSettingsRotCodeOffset, sizeof code);

    // Decimal digits of the code: hundreds and tens are flags, units the mode.
    const INT32 hundreds = code / kRotCodeHundreds;
    const INT32 tens = (code - kRotCodeHundreds * hundreds) / kRotCodeTens;
    const INT32 units = code - kRotCodeHundreds * hundreds - kRotCodeTens * tens;
    bool isHundreds = hundreds >= 1;
    INT32 rotMode = units;
    if (units == kRotCodeCameraLevel) {
        rotMode = kRotModeCamera;
        isHundreds = true;
    }

    AutoCadProxy* proxy = mQxAutoCadP->mAutoCadProxyP.get();
    if (proxy == NULL) {
        return;
    }
    proxy->mRotModeHundreds = isHundreds;
    proxy->mRotModeTens = tens >= 1;
    proxy->mRotMode = rotMode;
    proxy->mIsZoomAllAfterView = settings[kAdvSettingsZoomAllOffset] != 0;
}

void DaemonProxy::readMouseEvents() {
    mIsReading = true;
    QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::readMouseEvents")
        << "Invoking reading loop ... mIsToRead: " << static_cast<INT32>(mIsToRead.get())
        << LOG_END;

    std::string lastAcceptedMode;
    while (mIsToRead) {
        // A pass that fails is logged, and the loop pauses as after a read
        // that failed at once.
        try {
            readOnce(lastAcceptedMode);
        } catch (...) {
            logCaughtException(kSrcFile, __LINE__, kClass, "DaemonProxy::readMouseEvents");
            if (mIsToRead && mStopEvent != NULL) {
                WaitForSingleObject(mStopEvent, kFailedReadPauseMs);
            }
        }
    }

    QX_LOG(CRT, kSrcFile, kClass, "DaemonProxy::readMouseEvents")
        << "Reading loop left." << LOG_END;
    mIsReading = false;
}

void DaemonProxy::readOnce(std::string& lastAcceptedMode) {
    CapSample sample = CapSample();
    int unused1 = 0;
    int unused2 = 0;
    int unused3 = 0;
    int unused4 = 0;
    int code = 0;
    const DWORD readStart = GetTickCount();
    const int rc = qxReadEvent(0, &sample.tx, &sample.ty, &sample.tz, &sample.rx, &sample.ry,
                               &sample.rz, &unused1, &unused2, &code, &unused3, &unused4);
    if (rc == 0 && code < 0) {
        mQxAutoCadP->setCapSample(sample);
    } else if (rc == 0) {
        QX_LOG(DBG, kSrcFile, kClass, "DaemonProxy::readMouseEvents")
            << "event: " << static_cast<INT32>(code) << ", APPL_FUNC_START: " << APPL_FUNC_START
            << LOG_END;
        if (code == kEvRotSettings1 || code == kEvRotSettings2) {
            retrieveRotMode();
        }
        if (isSpecialFunction(code)) {
            mQxAutoCadP->mSpecialFunction = code;
        }
        if (code >= APPL_FUNC_START) {
            mQxAutoCadP->mApplFunction = code - APPL_FUNC_START;
        }
        if (code == kEvSendModeAgain) {
            lastAcceptedMode.clear();
        }
    }

    // Report the mode when it changed or the connection is new.
    const AutoCadProxy* proxy = mQxAutoCadP->mAutoCadProxyP.get();
    const std::string modeName =
        proxy != NULL ? proxy->mModeNames.nameAt(proxy->mNavMode) : "Unknown";
    const bool isToSendMode = mIsToSendMode.exchange(0) != 0;
    if (modeName != lastAcceptedMode || isToSendMode) {
        if (qxSetApplMode(kModeApplName, modeName.c_str()) == 0) {
            lastAcceptedMode = modeName;
        }
    }

    const bool isFailedAtOnce = rc != 0 && GetTickCount() == readStart;
    if (isFailedAtOnce && mIsToRead && mStopEvent != NULL) {
        WaitForSingleObject(mStopEvent, kFailedReadPauseMs);
    }
}
