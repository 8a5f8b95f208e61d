// The plug-in object: the one top-level object of the plug-in. It holds the
// settings (its base), starts the log, owns the host proxy and the device
// link, runs the connection watchdog thread and holds the device state
// record through which the reading thread hands device input to the host's
// main thread. Constructed and destroyed on the host's main thread.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include <windows.h>

#include "settings.h"

class AutoCadProxy;
class DaemonProxy;

// One motion sample of the cap, in the device's raw units.
struct CapSample {
    int16_t tx = 0;
    int16_t ty = 0;
    int16_t tz = 0;
    int16_t rx = 0;
    int16_t ry = 0;
    int16_t rz = 0;
};

class QxAutoCad : public Settings {
public:
    QxAutoCad();
    ~QxAutoCad();
    QxAutoCad(const QxAutoCad&) = delete;
    QxAutoCad& operator=(const QxAutoCad&) = delete;

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

    std::unique_ptr<AutoCadProxy> mAutoCadProxyP;
    std::unique_ptr<DaemonProxy> mDaemonProxyP;
    pthread_t mWatchThread{};
    std::atomic<bool> mIsToWatch{false};
    std::atomic<bool> mIsWatching{false};

    // Latest motion sample (guarded by mCapLock).
    int16_t mTx = 0;
    int16_t mTy = 0;
    int16_t mTz = 0;
    int16_t mRx = 0;
    int16_t mRy = 0;
    int16_t mRz = 0;
    // Pending requests, one of each kind; a newer one replaces an older one.
    // Take a request without losing one stored meanwhile: read it, run it,
    // then compare_exchange it to the empty value (or exchange before running).
    std::atomic<int32_t> mApplFunction{-1};    // menu entry index, -1: none
    std::atomic<int32_t> mSpecialFunction{0};  // special event code, 0: none

private:
    mutable std::mutex mCapLock;
    // Set by destruction: wakes the watchdog's 2000 ms wait at once.
    HANDLE mStopEvent = nullptr;
    bool mIsWatchThreadStarted = false;
};
