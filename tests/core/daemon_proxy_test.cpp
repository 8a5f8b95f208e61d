// The device link: sign-on and device list, rotation settings, the reading
// loop's event table and the mode report rules.
#include <array>
#include <cstdint>
#include <string>

#include "auto_cad_proxy.h"
#include "plugin_host.h"
#include "daemon_proxy.h"
#include "qxv_ctrlr.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

using qxdaemon::Op;

class DeviceLink : public PluginHost {};

TEST_F(DeviceLink, ConnectListsEveryDeviceAndZeroDevicesIsNoFailure) {
    // A name that fills its field has no terminating zero: it ends there.
    const std::string full(QX_DEV_INFO_SIZE - QX_DEV_INFO_NAME_OFFSET, 'N');
    qxdaemon::setDevices({"Cap One", full + "beyond"});
    load();
    EXPECT_TRUE(link().mIsConnected);
    EXPECT_EQ(logCount("devIdx: 0:Cap One\n"), 1);
    EXPECT_EQ(logCount("devIdx: 1:" + full + "\n"), 1);
    unload();

    qxdaemon::reset();
    qxdaemon::setDevices({});
    load();
    EXPECT_TRUE(link().mIsConnected);
    EXPECT_EQ(qxdaemon::callCount(Op::GetDevInfo), 0);
    EXPECT_EQ(logCount("devIdx"), 2);  // the two of the first load only
    EXPECT_EQ(qxdaemon::callCount(Op::GetAdvancedSettings), 1);
}

TEST_F(DeviceLink, SecondOfThreeDevicesFailingEndsConnectAtOnce) {
    qxdaemon::setDevices({"A", "B", "C"});
    qxdaemon::failDevInfoAt(1);
    load();
    win32sim::waitQuiescent();
    EXPECT_EQ(qxdaemon::callCount(Op::GetDevInfo), 2);  // index 2 is never asked
    EXPECT_EQ(logCount("Error in qxGetDevInfo()!"), 1);
    EXPECT_EQ(logCount("devIdx: 0:A"), 1);
    EXPECT_EQ(logCount("devIdx: 1"), 0);
    // No rotation settings, and no mode report pending.
    EXPECT_EQ(qxdaemon::callCount(Op::GetAdvancedSettings), 0);
    EXPECT_FALSE(link().mIsToSendMode);

    EXPECT_FALSE(link().connect());
    EXPECT_FALSE(link().mIsConnected);
    EXPECT_EQ(logCount("Error in qxGetDevInfo()!"), 2);
}

TEST_F(DeviceLink, RotationCodesDecodeIntoModeAndFlags) {
    struct Case {
        int32_t code;
        int32_t rotMode;
        bool tens;
        bool hundreds;
    };
    const Case cases[] = {
        {0, 0, false, false}, {1, 1, false, false},  {3, 3, false, false}, {4, 2, false, true},
        {14, 2, true, true},  {104, 2, false, true}, {114, 2, true, true}, {113, 3, true, true},
        {10, 0, true, false}, {100, 0, false, true}, {12, 2, true, false}, {5, 5, false, false},
    };
    load();
    for (const Case& c : cases) {
        qxdaemon::setRotation(c.code, false);
        link().retrieveRotMode();
        EXPECT_EQ(proxy().mRotMode, c.rotMode) << "code " << c.code;
        EXPECT_EQ(proxy().mRotModeTens, c.tens) << "code " << c.code;
        EXPECT_EQ(proxy().mRotModeHundreds, c.hundreds) << "code " << c.code;
    }
}

TEST_F(DeviceLink, FailedSettingsCallGivesModeZeroWithFlagsOff) {
    qxdaemon::setRotation(114, true);
    load();
    ASSERT_EQ(proxy().mRotMode, 2);
    ASSERT_TRUE(proxy().mIsZoomAllAfterView);

    qxdaemon::setUp(false);  // no sign-on: the call fails
    win32sim::waitQuiescent();
    link().retrieveRotMode();
    EXPECT_EQ(proxy().mRotMode, 0);
    EXPECT_FALSE(proxy().mRotModeTens);
    EXPECT_FALSE(proxy().mRotModeHundreds);
    EXPECT_FALSE(proxy().mIsZoomAllAfterView);
    EXPECT_EQ(logCount("Error in qxGetAdvancedSettings()!"), 1);
}

TEST_F(DeviceLink, SettingsEventsFetchTheRotationAgain) {
    load();
    for (int code : {0x20001, 0x20002}) {
        qxdaemon::setRotation(code == 0x20001 ? 113 : 4, code == 0x20001);
        sendKey(code);
        EXPECT_EQ(proxy().mRotMode, code == 0x20001 ? 3 : 2);
        EXPECT_EQ(proxy().mRotModeTens, code == 0x20001);
        EXPECT_TRUE(proxy().mRotModeHundreds);
        EXPECT_EQ(proxy().mIsZoomAllAfterView, code == 0x20001);
    }
}

TEST_F(DeviceLink, KeyEventsBecomePendingRequests) {
    load();
    EXPECT_EQ(mQx->mApplFunction, -1);
    EXPECT_EQ(mQx->mSpecialFunction, 0);

    sendKey(0x20020);
    EXPECT_EQ(mQx->mApplFunction, 0);
    sendKey(0x20025);  // replaces the request not yet taken
    EXPECT_EQ(mQx->mApplFunction, 5);

    for (int code : {0x20009, 0x2000A, 0x2000B, 0x2000C, 0x20016, 0x20017, 0x20018}) {
        sendKey(code);
        EXPECT_EQ(mQx->mSpecialFunction, code);
    }
    EXPECT_EQ(mQx->mApplFunction, 5);
}

TEST_F(DeviceLink, CodesOutsideTheTableChangeNothing) {
    load();
    for (int code : {0x20008, 0x2000D, 0x20015, 0x20019, 0x2001F, 0x20013, 0, 1}) {
        sendKey(code);
        EXPECT_EQ(mQx->mApplFunction, -1) << code;
        EXPECT_EQ(mQx->mSpecialFunction, 0) << code;
    }
}

// Mode reports: the daemon hears the name of the current navigation mode. An
// index beyond the table is pinned down end to end (tests/e2e, scenarios/menu_file).
class ModeReport : public PluginHost {
protected:
    void loadWithModes() {
        load();
        proxy().mModeNames.set({"Mode0", "Mode1", "Mode2"});
    }
};

TEST_F(ModeReport, NewConnectionReportsOnceThenOnlyChangesOrWhenAsked) {
    loadWithModes();
    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 1);
    EXPECT_EQ(qxdaemon::lastAppReported(), "AutoCAD");
    EXPECT_EQ(qxdaemon::lastModeAccepted(), "Mode0");

    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 1);
    sendKey(0x20013);  // asked to report again: the unchanged mode
    EXPECT_EQ(qxdaemon::modeReports(), 2);

    proxy().mNavMode = 2;
    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 3);
    EXPECT_EQ(qxdaemon::lastModeAccepted(), "Mode2");
}

TEST_F(ModeReport, RefusedReportAfterConnectIsNotRepeated) {
    loadWithModes();
    sendKey(0x20015);
    ASSERT_EQ(qxdaemon::lastModeAccepted(), "Mode0");

    qxdaemon::setModesAccepted(false);
    ASSERT_TRUE(link().connect());  // a new connection: report once
    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 2);
    sendKey(0x20015);
    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 2);

    // Asked to report again: the cleared name now differs on every pass
    // until the daemon takes it.
    sendKey(0x20013);
    EXPECT_EQ(qxdaemon::modeReports(), 3);
    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 4);
    qxdaemon::setModesAccepted(true);
    sendKey(0x20015);
    sendKey(0x20015);
    EXPECT_EQ(qxdaemon::modeReports(), 5);
}

TEST_F(DeviceLink, ReadsFailingAtOnceArePacedNotSpun) {
    qxdaemon::setReadFailsFastWhileDown(true);
    load();
    qxdaemon::setUp(false);
    win32sim::waitQuiescent();
    const int reads = qxdaemon::callCount(Op::ReadEvent);
    runFor(1000);
    // About one read per 100 ms pause, not thousands.
    EXPECT_GE(qxdaemon::callCount(Op::ReadEvent) - reads, 9);
    EXPECT_LE(qxdaemon::callCount(Op::ReadEvent) - reads, 11);
    const auto before = win32sim::nowMs();
    unload();  // the pause does not hold destruction up
    EXPECT_EQ(win32sim::nowMs(), before);
}

TEST_F(DeviceLink, UnloadWhileTheDaemonIsGoneStillEnds) {
    load();
    qxdaemon::setUp(false);
    win32sim::waitQuiescent();
    unload();
    EXPECT_EQ(logCount("Error in qxDisConnect()!"), 1);
    EXPECT_EQ(logCount("Reading loop left."), 1);
    EXPECT_EQ(logCount("Reading thread ended."), 1);
}
