// The plug-in object's life: construction and destruction order, the
// connection watchdog on the virtual clock, and unloading at any moment.
#include "auto_cad_proxy.h"
#include "core_world.h"
#include "daemon_proxy.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

using qxdaemon::Op;

class Watchdog : public CoreWorld {};

TEST_F(Watchdog, NoDaemonAtLoadIsRetriedEvery2000ms) {
    qxdaemon::setUp(false);
    load();
    win32sim::waitQuiescent();
    // The constructor's attempt and the watchdog's first pass, at once.
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 2);
    EXPECT_FALSE(link().mIsConnected);

    // The watchdog's passes start a few host calls after whole seconds.
    runUntil(1990);
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 2);
    runUntil(2010);
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 3);
    runUntil(3990);
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 3);
    runUntil(4010);
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 4);

    qxdaemon::setUp(true);
    runUntil(5990);
    EXPECT_FALSE(link().mIsConnected);
    runUntil(6010);
    EXPECT_TRUE(link().mIsConnected);
    EXPECT_TRUE(qxdaemon::isSignedOn());
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 5);

    // Once connected, a pass only checks.
    runUntil(10010);
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 5);
    EXPECT_EQ(logCount("Error in qxConnect()!"), 4);
}

TEST_F(Watchdog, LostConnectionComesBackAndEventsFlowAgain) {
    load();
    runUntil(2500);
    ASSERT_TRUE(link().mIsConnected);

    qxdaemon::setUp(false);
    win32sim::waitQuiescent();
    runUntil(4010);  // the pass at 4000 finds the link lost
    EXPECT_FALSE(link().mIsConnected);
    EXPECT_EQ(logCount("Error in qxGetDevNum()!"), 1);

    qxdaemon::setUp(true);
    runUntil(5990);
    EXPECT_FALSE(link().mIsConnected);
    runUntil(6010);  // the pass at 6000 reconnects
    EXPECT_TRUE(link().mIsConnected);

    // The reading thread waited through the outage and reads at once again.
    sendCap(7, 0, 0, 0, 0, 0);
    EXPECT_EQ(mQx->capSample().tx, 7);
}

TEST_F(Watchdog, UnloadRightAfterLoadReturnsWithoutTime) {
    const auto before = win32sim::nowMs();
    load();
    unload();
    EXPECT_EQ(win32sim::nowMs(), before);
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
    EXPECT_EQ(logCount("QxAutoCad::~QxAutoCad"), 2);
}

TEST_F(Watchdog, UnloadInTheMiddleOfTheWatchdogWaitDoesNotWaitItOut) {
    load();
    runFor(700);
    EXPECT_EQ(gAutoCadProxy, &proxy());
    const auto before = win32sim::nowMs();
    unload();
    EXPECT_EQ(win32sim::nowMs(), before);
    EXPECT_FALSE(qxdaemon::isSignedOn());
    EXPECT_EQ(win32sim::armedTimerCount(), 0);
    EXPECT_EQ(gAutoCadProxy, nullptr);
}

TEST_F(Watchdog, FirstLoadWithoutASettingsFileLogsIntoTheProfile) {
    load();  // writes the default settings file
    EXPECT_NE(logText().find("AutoCadProxy constructed."), std::string::npos);
}

TEST_F(Watchdog, PartsAreBuiltAndTornDownInOrder) {
    load();
    unload();
    const std::string log = logText();
    const auto at = [&log](const std::string& text) {
        const auto pos = log.find(text);
        EXPECT_NE(pos, std::string::npos) << text;
        return pos;
    };
    // Built: proxy, link, then the object; torn down: link, then proxy.
    EXPECT_LT(at("AutoCadProxy constructed."), at("DaemonProxy::DaemonProxy"));
    EXPECT_LT(at("DaemonProxy::DaemonProxy"), at("QxAutoCad::QxAutoCad"));
    EXPECT_LT(at("QxAutoCad::~QxAutoCad"), at("DaemonProxy::~DaemonProxy"));
    EXPECT_LT(at("Reading loop left."), at("AutoCadProxy::~AutoCadProxy"));
    EXPECT_LT(at("AutoCadProxy::~AutoCadProxy"), log.rfind("QxAutoCad::~QxAutoCad"));
}
