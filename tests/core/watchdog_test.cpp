// The plug-in object's life: the connection watchdog on the virtual clock and
// unloading in the middle of its wait. The retries without a daemon at load,
// an unload right after the load and the order in which the parts are built
// and torn down are pinned down by the end-to-end sessions (tests/e2e,
// golden transcripts and logs).
#include "auto_cad_proxy.h"
#include "core_world.h"
#include "daemon_proxy.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

class Watchdog : public CoreWorld {};

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
