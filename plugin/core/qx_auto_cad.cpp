// The plug-in object: builds its parts in order, runs the connection
// watchdog and tears everything down in reverse order.
#include "qx_auto_cad.h"

#include "auto_cad_proxy.h"
#include "daemon_proxy.h"
#include "logging.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\qx_auto_cad";
const char* const kClass = "QxAutoCad";

// Period of the connection check.
const DWORD kWatchPeriodMs = 2000;

void* watchThreadMain(void* arg) {
    try {
        static_cast<QxAutoCad*>(arg)->watchConnection();
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "QxAutoCad::watchConnection");
    }
    return NULL;
}

}  // namespace

QxAutoCad::QxAutoCad()
    : mWatchThread(),
      mIsToWatch(0),
      mIsWatching(0),
      mTx(0),
      mTy(0),
      mTz(0),
      mRx(0),
      mRy(0),
      mRz(0),
      mApplFunction(-1),
      mSpecialFunction(0),
      mCapLock("QxAutoCad"),
      mStopEvent(NULL),
      mIsWatchThreadStarted(false) {
    mIsToWatch = true;
    setCapSample(CapSample());
    mSpecialFunction = 0;

    initLogging();

    // A failure on the way stops what has started before it is passed on:
    // no thread outlives a plug-in object that was never made.
    try {
        mAutoCadProxyP.reset(new AutoCadProxy(this));
        mDaemonProxyP.reset(new DaemonProxy(this));

        // Manual-reset: once set, every later wait returns at once.
        mStopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
        if (pthread_create(&mWatchThread, NULL, watchThreadMain, this) == 0) {
            mIsWatchThreadStarted = true;
        } else {
            // The text says "reading thread" for the watchdog on purpose: it is
            // the log text is fixed as it is.
            QX_LOG(ERR, kSrcFile, kClass, "QxAutoCad::QxAutoCad")
                << "Error creating reading thread!" << LOG_END;
        }

        QX_LOG(CRT, kSrcFile, kClass, "QxAutoCad::QxAutoCad") << "Constructed." << LOG_END;
    } catch (...) {
        gLogging.abandonEntry();  // the threads may wait to log
        stopParts();
        throw;
    }
}

QxAutoCad::~QxAutoCad() {
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "QxAutoCad::~QxAutoCad")
                   << "Destructing ..." << LOG_END);
    stopParts();
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "QxAutoCad::~QxAutoCad")
                   << "Destructed." << LOG_END);
}

void QxAutoCad::stopParts() {
    mIsToWatch = false;
    if (mAutoCadProxyP.get() != NULL) {
        mAutoCadProxyP->mIsToRunTimer = false;
    }
    if (mDaemonProxyP.get() != NULL) {
        mDaemonProxyP->mIsToRead = false;
    }

    // Wake the watchdog from its wait and let it finish its pass; joining
    // also covers a watchdog that has not begun to run yet.
    if (mStopEvent != NULL) {
        SetEvent(mStopEvent);
    }
    if (mIsWatchThreadStarted) {
        pthread_join(mWatchThread, NULL);
    }

    // The reading loop looks up the proxy's mode names: the link goes first.
    mDaemonProxyP.reset();
    mAutoCadProxyP.reset();

    if (mStopEvent != NULL) {
        CloseHandle(mStopEvent);
        mStopEvent = NULL;
    }
}

void QxAutoCad::initLogging() {
    // The log takes the [LOGGING] values; its folder stays the one the
    // settings part gave it, also when the defaults (which carry no folder)
    // replaced a missing settings file.
    LogParameters pars = mLogPars;
    pars.mSettingsDirPath = gLogging.mSettingsDirPath;
    gLogging.init(pars);
    // What the settings part had to say before the log started.
    writeHeldEntries();
}

void QxAutoCad::watchConnection() {
    mIsWatching = true;
    while (mIsToWatch) {
        // A pass that fails is logged; the next one comes at its time.
        try {
            if (!mDaemonProxyP->checkConnection()) {
                mDaemonProxyP->connect();
            }
        } catch (...) {
            logCaughtException(kSrcFile, __LINE__, kClass, "QxAutoCad::watchConnection");
        }
        if (mStopEvent == NULL) {
            Sleep(kWatchPeriodMs);
        } else {
            WaitForSingleObject(mStopEvent, kWatchPeriodMs);
        }
    }
    mIsWatching = false;
}

void QxAutoCad::setCapSample(const CapSample& sample) {
    MutexLock guard(mCapLock);
    mTx = sample.tx;
    mTy = sample.ty;
    mTz = sample.tz;
    mRx = sample.rx;
    mRy = sample.ry;
    mRz = sample.rz;
}

CapSample QxAutoCad::capSample() const {
    MutexLock guard(mCapLock);
    CapSample sample;
    sample.tx = mTx;
    sample.ty = mTy;
    sample.tz = mTz;
    sample.rx = mRx;
    sample.ry = mRy;
    sample.rz = mRz;
    return sample;
}
