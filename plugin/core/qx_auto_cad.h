// The plug-in object: the one top-level object of the plug-in. It holds the
// settings (its base), starts the log, owns the host proxy and the device
// link, runs the connection watchdog thread and holds the device state
// record through which the reading thread hands device input to the host's
// main thread. Constructed and destroyed on the host's main thread.
#pragma once

#include <pthread.h>

#include <windows.h>

#include "interlocked_value.h"
#include "mutex.h"
#include "scoped_ptr.h"
#include "settings.h"

class AutoCadProxy;
class DaemonProxy;

// One motion sample of the cap, in the device's raw units; CapSample() is at
// rest.
struct CapSample {
    INT16 tx;
    INT16 ty;
    INT16 tz;
    INT16 rx;
    INT16 ry;
    INT16 rz;
};

class QxAutoCad : public Settings {
public:
    QxAutoCad();
    ~QxAutoCad();

    // Starts gLogging from the settings' [LOGGING] values; construction only.
    void initLogging();
    // The watchdog loop: checks the link every 2000 ms and reconnects when it
    // is lost. Watchdog thread only.
    void watchConnection();

    // Device state record: the six axes change together, as one sample.
    // The reading thread stores, the host's main thread reads; both go
    // through these two so that a sample is never seen half-written.
    void setCapSample(const CapSample& sample);
    CapSample capSample() const;

    ScopedPtr<AutoCadProxy> mAutoCadProxyP;
    ScopedPtr<DaemonProxy> mDaemonProxyP;
    pthread_t mWatchThread;
    InterlockedValue mIsToWatch;
    InterlockedValue mIsWatching;

    // Latest motion sample (guarded by mCapLock).
    INT16 mTx;
    INT16 mTy;
    INT16 mTz;
    INT16 mRx;
    INT16 mRy;
    INT16 mRz;
    // Pending requests, one of each kind; a newer one replaces an older one.
    // Take a request without losing one stored meanwhile: read it, run it,
    // then compare-exchange it to the empty value (or exchange before running).
    InterlockedValue mApplFunction;     // menu entry index, -1: none
    InterlockedValue mSpecialFunction;  // special event code, 0: none

private:
    QxAutoCad(const QxAutoCad&);
    QxAutoCad& operator=(const QxAutoCad&);

    // Stops the watchdog, the device link and the host proxy, in this order,
    // those that were made; construction's cleanup and destruction.
    void stopParts();

    mutable Mutex mCapLock;
    // Set by destruction: wakes the watchdog's 2000 ms wait at once.
    HANDLE mStopEvent;
    bool mIsWatchThreadStarted;
};
