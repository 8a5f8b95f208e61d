// The menu file is read until its "Modes" section has names, as a user may
// write it while the host runs: again on a tick only once it has changed. Which lines become
// macros, the macros' texts and the mode names the daemon hears are pinned down end to end
// (tests/e2e, scenarios menu_file, other_interface and keys).

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <string>

#include "plugin_host.h"

namespace {

using MenuFile = PluginHost;

TEST_F(MenuFile, LoadIsRetriedOnChangeUntilModesHasNames) {
    load();
    tick();  // no file yet
    EXPECT_FALSE(proxy().mIsMenuLoaded);
    EXPECT_EQ(logCount("Menu file '"), 0) << "a missing file is not logged";

    writeMenu("[MenuBar]\nA = a}_A\nB = b}_B\n");
    tick();  // a file without mode names is read once
    tick();
    const std::string loaded =
        "Menu file '" + (appsDir() / "autocad.mnu").string() + "' with 2 entries loaded.";
    EXPECT_EQ(logCount(loaded), 1);
    EXPECT_FALSE(proxy().mIsMenuLoaded);
    EXPECT_EQ(proxy().mMenuEntries.size(), 2u) << "keys work meanwhile";
    std::filesystem::remove(menuPath());
    tick();
    EXPECT_TRUE(proxy().mMenuEntries.empty()) << "a removed file takes its macros along";

    writeMenu("[Modes]\nModelSpace = 0\n\n[MenuBar]\nA = a}_A\n");
    tick();
    EXPECT_TRUE(proxy().mIsMenuLoaded);
    tick();
    tick();
    EXPECT_EQ(logCount("' with 1 entries loaded."), 1) << "read once, then never again";
}

// A change within the file system's timestamp granularity of the last read,
// of the same size and with the same time, is still seen.
TEST_F(MenuFile, AChangeThatKeepsSizeAndTimeIsSeenWhenItCameRightAfterARead) {
    // Both versions carry the same time, a minute ahead: however slow the
    // run, the reads fall within the granularity of that time.
    timespec times[2] = {};
    clock_gettime(CLOCK_REALTIME, &times[1]);
    times[1].tv_sec += 60;
    times[0] = times[1];
    load();
    writeMenu("[Modes]\n# = 0\n\n[MenuBar]\nA = a}_A\n");
    ASSERT_EQ(utimensat(AT_FDCWD, menuPath().c_str(), times, 0), 0);
    tick();
    tick();
    EXPECT_FALSE(proxy().mIsMenuLoaded);
    EXPECT_EQ(logCount("' with 1 entries loaded."), 1) << "a re-read that gives the same is quiet";

    writeMenu("[Modes]\nM = 0\n\n[MenuBar]\nA = a}_A\n");
    ASSERT_EQ(utimensat(AT_FDCWD, menuPath().c_str(), times, 0), 0);
    tick();
    EXPECT_TRUE(proxy().mIsMenuLoaded);
}

}  // namespace
