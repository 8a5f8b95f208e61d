// The device link: signs on with the driver daemon through the controller
// library, runs the reading thread that stores device events in the plug-in
// object's device state record, fetches the rotation settings and reports
// the current mode name. Constructed and destroyed on the host's main
// thread; connect() also runs on the watchdog thread.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>

#include <windows.h>

#include "device_codes.h"

class QxAutoCad;

// Layout of the library's blocks.
inline constexpr int kDevInfoSize = 96;
inline constexpr int kDevInfoNameOffset = 20;
inline constexpr int kAdvSettingsSize = 148;
inline constexpr int kAdvSettingsRotCodeOffset = 132;
inline constexpr int kAdvSettingsZoomAllOffset = 138;

class DaemonProxy {
public:
    explicit DaemonProxy(QxAutoCad* qxAutoCadP);
    ~DaemonProxy();
    DaemonProxy(const DaemonProxy&) = delete;
    DaemonProxy& operator=(const DaemonProxy&) = delete;

    // Signs on as "acad" and lists the devices; true on success.
    bool connect();
    // True while the daemon answers; watchdog thread only.
    bool checkConnection();
    // Fetches the advanced settings and sets the proxy's rotation members.
    void retrieveRotMode();
    // The reading loop; reading thread only.
    void readMouseEvents();

    QxAutoCad* mQxAutoCadP;  // not owning
    pthread_t mReadThread{};
    std::atomic<bool> mIsToRead{false};
    std::atomic<bool> mIsReading{false};
    std::atomic<bool> mIsConnected{false};
    std::atomic<bool> mIsToSendMode{false};

private:
    // Set by destruction: ends the pause after a failed read at once.
    HANDLE mStopEvent = nullptr;
    bool mIsReadThreadStarted = false;
};
