// The driver daemon failing under a running session, in virtual time: the
// module loaded by qxsim's player, the daemon lost in the middle of a motion
// or refusing modes. The watchdog passes at 0, 2000, 4000 ... ms after the
// load. Absent at load and lost and back are pinned down by golden sessions
// (session_test.cpp), failing devices and reads by tests/core.
#include <algorithm>
#include <string>

#include "qxv_ctrlr_control.h"
#include "session_host.h"

using qxdaemon::Op;

namespace {

constexpr std::uint64_t kWatchPeriodMs = 2000;
// One pass of a motion: a frame of 16 ms, and at most a 10 ms timer gap.
constexpr std::uint64_t kPassMs = 30;

// Times of the command-line sends of this text.
std::vector<std::uint64_t> macroTimes(const std::string& jsonText) {
    std::vector<std::uint64_t> found;
    for (const std::string& line : TestHost::events("send")) {
        if (line.find("\"text\":\"" + jsonText + "\"") != std::string::npos) {
            found.push_back(static_cast<std::uint64_t>(numberField(line, "t")));
        }
    }
    return found;
}

}  // namespace

class DaemonFaults : public SessionHost {};

// Object move mode holds the document lock for the motion; the daemon goes
// away while the cap is held. Without the watchdog's release the last sample
// would move the objects until the unload.
TEST_F(DaemonFaults, LostDuringAnObjectMotionEndsItAtTheNextPass) {
    play(
        "drawing sample\n"
        "select 4\n"
        "wait 150\n"
        "command QX_Toggle_Object_Move_Mode\n"
        "cap 100 0 0 0 0 100\n"
        "wait 1000\n"
        "daemon down\n"  // at about 1150, with the cap held
        "wait 3000\n");
    const auto locks = times("lock");
    const auto unlocks = times("unlock");
    ASSERT_EQ(locks.size(), 1u);
    ASSERT_EQ(unlocks.size(), 1u);
    // The pass after the watchdog's at 2000 ends the motion.
    EXPECT_GT(unlocks[0], kWatchPeriodMs);
    EXPECT_LE(unlocks[0], kWatchPeriodMs + kPassMs);
    const auto saved = times("view_saved");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], unlocks[0]);
    // The objects moved until then and never after.
    const auto moves = times("entity");
    ASSERT_GT(moves.size(), 50u);
    EXPECT_LT(moves.back(), unlocks[0]);
    // Back at rest: the timer falls back to 100 ms for good.
    std::vector<std::uint64_t> intervalsAfter;
    for (const std::string& line : events("timer")) {
        if (numberField(line, "t") >= static_cast<double>(unlocks[0])) {
            intervalsAfter.push_back(static_cast<std::uint64_t>(numberField(line, "ms")));
        }
    }
    ASSERT_GT(intervalsAfter.size(), 20u);
    EXPECT_EQ(std::count(intervalsAfter.begin(), intervalsAfter.end(), 100u),
              static_cast<long>(intervalsAfter.size()));
    EXPECT_EQ(logCount("Connection lost - cap released."), 1);
}

// In paper space the pan locks the document and hides the navigation bar;
// the release after the loss unlocks and shows the bar again.
TEST_F(DaemonFaults, LostDuringAPaperSpacePanRestoresLockAndNavigationBar) {
    play(
        "space paper\n"
        "paperview 100 50 150 400 300\n"
        "wait 150\n"
        "cap 2000 0 0 0 0 0\n"
        "wait 500\n"
        "daemon down\n"  // at 650
        "wait 2000\n");
    ASSERT_EQ(events("lock").size(), 1u);
    const auto unlocks = times("unlock");
    ASSERT_EQ(unlocks.size(), 1u);
    EXPECT_GT(unlocks[0], kWatchPeriodMs);
    EXPECT_LE(unlocks[0], kWatchPeriodMs + kPassMs);
    const auto sends = events("send");
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_EQ(textField(sends[0], "text"), "_navbardisplay 0 ");
    EXPECT_EQ(textField(sends[1], "text"), "_navbardisplay 1 ");
    EXPECT_LE(numberField(sends[1], "t"), static_cast<double>(unlocks[0]));
    const auto pans = times("paper_view");
    ASSERT_FALSE(pans.empty());
    EXPECT_LT(pans.back(), unlocks[0]);
}

// The daemon refuses every mode report for a whole session with mode
// changes, keys, motions and a reconnect: navigation and keys still work,
// and the reports come one per reading pass, never in a loop of their own.
TEST_F(DaemonFaults, RefusingEveryModeReportChangesNothingElse) {
    play(
        "modes refuse\n"
        "paperview 100 50 150 400 300\n"
        "wait 200\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 150\n"
        "release\n"
        "wait 100\n"
        "space paper\n"
        "wait 200\n"
        "cap 2000 0 0 0 0 0\n"
        "wait 150\n"
        "release\n"
        "wait 100\n"
        "key 0x20021\n"
        "wait 200\n"
        "daemon down\n"
        "wait 1000\n"
        "daemon up\n"
        "wait 2000\n"
        "space model\n"
        "wait 200\n"  // a pass in model space before the view key
        "key 0x2000B\n"
        "wait 200\n"
        "modes accept\n"
        "key 0x20015\n"
        "wait 100\n"
        "key 0x20015\n"
        "wait 100\n");
    EXPECT_FALSE(events("view").empty());
    EXPECT_FALSE(events("paper_view").empty());
    EXPECT_EQ(events("view_saved").size(), 1u);
    EXPECT_EQ(macroTimes("_circle\\n").size(), 1u);
    EXPECT_EQ(events("send").size(), 5u);  // navigation bar off and on, macro, top view
    const auto modes = events("mode");
    ASSERT_GE(modes.size(), 5u);
    for (std::size_t i = 0; i + 1 < modes.size(); ++i) {
        EXPECT_NE(modes[i].find("\"accepted\":false"), std::string::npos) << modes[i];
    }
    // Accepted at the first pass after the daemon takes modes, then quiet.
    EXPECT_NE(modes.back().find("\"accepted\":true"), std::string::npos);
    EXPECT_EQ(textField(modes.back(), "name"), "AutoCAD Model Space");
    EXPECT_LE(static_cast<int>(modes.size()), qxdaemon::callCount(Op::ReadEvent));
}
