// The device link: signs on with the driver daemon through the controller
// library, runs the reading thread that stores device events in the plug-in
// object's device state record, fetches the rotation settings and reports
// the current mode name. Constructed and destroyed on the host's main
// thread; connect() also runs on the watchdog thread.
#pragma once

#include <pthread.h>

#include <string>

#include <windows.h>

#include "device_codes.h"
#include "interlocked_value.h"

class QxAutoCad;

// Layout of the library's blocks.
const int kDevInfoSize = 96;
const int kDevInfoNameOffset = 20;
const int kAdvSettingsSize = 148;
const int kAdvSettingsRotCodeOffset = 132;
const int kAdvSettingsZoomAllOffset = 138;

class DaemonProxy {
public:
    explicit DaemonProxy(QxAutoCad* qxAutoCadP);
    ~DaemonProxy();

    // Signs on as "acad" and lists the devices; true on success.
    bool connect();
    // True while the daemon answers; watchdog thread only.
    bool checkConnection();
    // Fetches the advanced settings and sets the proxy's rotation members.
    void retrieveRotMode();
    // The reading loop; reading thread only.
    void readMouseEvents();

    QxAutoCad* mQxAutoCadP;  // not owning
    pthread_t mReadThread;
    InterlockedValue mIsToRead;
    InterlockedValue mIsReading;
    InterlockedValue mIsConnected;
    InterlockedValue mIsToSendMode;

private:
    // One read and what it brings, and the mode report.
    void readOnce(std::string& lastAcceptedMode);
    // Ends the sign-on and waits for the reading thread; never throws.
    void stopReading();

    DaemonProxy(const DaemonProxy&);
    DaemonProxy& operator=(const DaemonProxy&);

    // Set by destruction: ends the pause after a failed read at once.
    HANDLE mStopEvent;
    bool mIsReadThreadStarted;
};
