// The menu file: which "MenuBar" lines become macros and with which numbers,
// retries until "Modes" has names, and the mode names the daemon hears when
// the mode is beyond the table or never determined. The names of the model
// and paper space are pinned down end to end (tests/e2e, scenarios/keys).

#include <string>
#include <vector>

#include "arx_control.h"
#include "plugin_host.h"
#include "qxv_ctrlr_control.h"

namespace {

constexpr int kReportModeAgain = 0x20013;

const char* const kThreeModes =
    "[Modes]\n"
    "ModelSpace = 0\n"
    "PaperSpace = 1\n"
    "ViewSpace = 2\n";

using MenuFile = PluginHost;

TEST_F(MenuFile, MenuBarLinesWithoutMacroTakeNoNumber) {
    writeMenu(std::string(kThreeModes) +
              "\n[MenuBar]\n"
              "ID_Line = Line}_LINE\n"
              "ID_NoBrace = Nothing to run here\n"
              "ID_Circle = Circle}_CIRCLE;;\n"
              "ID_BraceLast = Ends in a brace}\n"
              "ID_EmptyMacro = Tip}|shown as a tip\n"
              "ID_TwoBraces = Outer}inner}_ZOOM|tip\n");
    load();
    proxy().loadMenufile();
    EXPECT_EQ(proxy().mMenuEntries,
              (std::vector<std::string>{"_LINE", "_CIRCLE;;", "", "inner}_ZOOM"}));
    EXPECT_TRUE(proxy().mIsMenuLoaded);

    arxsim::clearOutput();
    proxy().execApplFunction(1);  // the third line, since the second took no number
    EXPECT_EQ(arxsim::sentStrings(), (std::vector<std::wstring>{L"\x1b\x1b", L"_CIRCLE\n", L"\n"}));
    arxsim::clearOutput();
    proxy().execApplFunction(2);  // the empty macro runs nothing
    EXPECT_TRUE(arxsim::sentStrings().empty());
}

TEST_F(MenuFile, SectionsMayComeInAnyOrderAndEndAtABlankLine) {
    writeMenu(
        "[MenuBar]\n"
        "A = a}_A\n"
        "\n"
        "B = b}_B\n"
        "[Modes]\n"
        "# first-column comments do not end the list\n"
        "M0 = x\n");
    load();
    proxy().loadMenufile();
    EXPECT_EQ(proxy().mMenuEntries, (std::vector<std::string>{"_A"}));
    EXPECT_EQ(proxy().mModeNames.names(), (std::vector<std::string>{"M0"}));
}

TEST_F(MenuFile, LoadIsRetriedEveryTickUntilModesHasNames) {
    load();
    tick();  // no file yet
    EXPECT_FALSE(proxy().mIsMenuLoaded);
    EXPECT_EQ(logCount("Menu file '"), 0) << "a missing file is not logged";

    writeMenu("[MenuBar]\nA = a}_A\nB = b}_B\n");
    tick();  // two ticks read a file without mode names
    tick();
    const std::string loaded =
        "Menu file '" + (appsDir() / "autocad.mnu").string() + "' with 2 entries loaded.";
    EXPECT_EQ(logCount(loaded), 2);
    EXPECT_FALSE(proxy().mIsMenuLoaded);
    EXPECT_EQ(proxy().mMenuEntries.size(), 2u) << "keys work meanwhile";

    writeMenu(std::string(kThreeModes) + "\n[MenuBar]\nA = a}_A\n");
    tick();
    EXPECT_TRUE(proxy().mIsMenuLoaded);
    tick();
    tick();
    EXPECT_EQ(logCount("' with 1 entries loaded."), 1) << "read once, then never again";
}

TEST_F(MenuFile, ModeBeyondTheTableIsUnknown) {
    writeMenu("[Modes]\nModelSpace = 0\nPaperSpace = 1\n");
    load();
    tick();
    sendKey(kReportModeAgain);
    EXPECT_EQ(qxdaemon::lastModeReported(), "Unknown");
}

TEST_F(MenuFile, WithoutCapProcessingTheDaemonHearsTheFirstMode) {
    setSetting("useInt3dIntrfce", "on");
    writeMenu(kThreeModes);
    load();
    tick();
    sendKey(kReportModeAgain);
    EXPECT_EQ(qxdaemon::lastModeReported(), "ModelSpace");

    arxsim::setSpace(0, 1);
    tick();
    sendKey(kReportModeAgain);
    EXPECT_EQ(qxdaemon::lastModeReported(), "ModelSpace") << "the mode is never determined";
}

}  // namespace
