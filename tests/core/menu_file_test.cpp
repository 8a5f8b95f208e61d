// The menu file is read until its "Modes" section has names, as a user may
// write it while the host runs: again on a tick only once it has changed. Which lines become
// macros, the macros' texts and the mode names the daemon hears are pinned down end to end
// (tests/e2e, scenarios menu_file, other_interface and keys).

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

    writeMenu("[Modes]\nModelSpace = 0\n\n[MenuBar]\nA = a}_A\n");
    tick();
    EXPECT_TRUE(proxy().mIsMenuLoaded);
    tick();
    tick();
    EXPECT_EQ(logCount("' with 1 entries loaded."), 1) << "read once, then never again";
}

}  // namespace
