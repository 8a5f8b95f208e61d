// The plug-in object's life: unloading in the middle of the watchdog's wait
// and the first log. The retries without a daemon at load, a link lost and
// back, an unload right after the load and the order in which the parts are
// built and torn down are pinned down by the end-to-end sessions (tests/e2e,
// golden transcripts and logs).
#include "auto_cad_proxy.h"
#include "plugin_host.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

class Watchdog : public PluginHost {};

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
    std::filesystem::remove(settingsPath());
    load();  // writes the default settings file
    EXPECT_TRUE(std::filesystem::exists(settingsPath()));
    EXPECT_NE(logText().find("AutoCadProxy constructed."), std::string::npos);
}
