// The driver daemon failing under a running session, in virtual time: the
// module loaded by qxsim's player, the daemon absent, lost in the middle of
// a motion, lost and back, refusing modes, failing a device, failing reads
// at once. The watchdog passes at 0, 2000, 4000 ... ms after the load.
#include <algorithm>
#include <string>

#include "captured_events.h"
#include "qxv_ctrlr_control.h"
#include "session_world.h"

using qxdaemon::Op;

namespace {

constexpr std::uint64_t kWatchPeriodMs = 2000;
// One pass of a motion: a frame of 16 ms, and at most a 10 ms timer gap.
constexpr std::uint64_t kPassMs = 30;

// Times of the `lib` lines of `op` with this status.
std::vector<std::uint64_t> libTimes(const std::string& op, int status) {
    std::vector<std::uint64_t> found;
    for (const std::string& line : captured::ofKind("lib")) {
        if (textField(line, "op") == op && numberField(line, "status") == status) {
            found.push_back(static_cast<std::uint64_t>(numberField(line, "t")));
        }
    }
    return found;
}

std::vector<std::uint64_t> acceptedModeTimes() {
    std::vector<std::uint64_t> found;
    for (const std::string& line : captured::ofKind("mode")) {
        if (line.find("\"accepted\":true") != std::string::npos) {
            found.push_back(static_cast<std::uint64_t>(numberField(line, "t")));
        }
    }
    return found;
}

// Times of the command-line sends of this text.
std::vector<std::uint64_t> macroTimes(const std::string& jsonText) {
    std::vector<std::uint64_t> found;
    for (const std::string& line : captured::ofKind("send")) {
        if (line.find("\"text\":\"" + jsonText + "\"") != std::string::npos) {
            found.push_back(static_cast<std::uint64_t>(numberField(line, "t")));
        }
    }
    return found;
}

std::size_t countIn(const std::vector<std::uint64_t>& ts, std::uint64_t from, std::uint64_t to) {
    return static_cast<std::size_t>(
        std::count_if(ts.begin(), ts.end(), [&](std::uint64_t t) { return t >= from && t < to; }));
}

}  // namespace

class DaemonFaults : public SessionWorld {};

TEST_F(DaemonFaults, AbsentAtLoadTheSessionRunsAndSignsOnWhenItArrives) {
    play(
        "daemon down\n"
        "wait 1000\n"
        "cap 0 0 -400 0 0 0\n"  // nobody signed on: dropped
        "wait 200\n"
        "key 0x20021\n"
        "wait 2300\n"
        "daemon up\n"  // at 3500; the pass at 4000 signs on
        "wait 1000\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 100\n"
        "release\n"
        "wait 100\n"
        "key 0x20021\n"
        "wait 200\n");
    EXPECT_EQ(qxdaemon::droppedEvents(), 2);
    const auto signOns = libTimes("qxConnect", 0);
    ASSERT_EQ(signOns.size(), 1u);
    EXPECT_EQ(signOns[0], 4000u);
    EXPECT_EQ(libTimes("qxConnect", 1).size(), 3u);  // construction, 0 and 2000
    // Nothing moved and nothing ran before the daemon came.
    const auto views = times("view");
    ASSERT_FALSE(views.empty());
    EXPECT_GE(views.front(), 4500u);
    const auto macros = macroTimes("_circle\\n");
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_GE(macros[0], 4600u);
    // The mode reached the daemon with the sign-on; the view was written back.
    const auto accepted = acceptedModeTimes();
    ASSERT_FALSE(accepted.empty());
    EXPECT_EQ(accepted[0], 4000u);
    EXPECT_EQ(events("view_saved").size(), 1u);
    // A link that never held releases nothing.
    EXPECT_EQ(logCount("Connection lost - cap released."), 0);
    EXPECT_EQ(logCount("Error in qxConnect()!"), 3);
}

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

// A short outage between two watchdog passes and a long one over several:
// each time the link signs on again at the first pass after the daemon is
// back (within 2000 ms plus one pass), reports the mode again and moves the
// view with the next motion.
TEST_F(DaemonFaults, LostAndBackSignsOnAgainAtTheNextPass) {
    play(
        "wait 500\n"
        "daemon down\n"  // 500
        "wait 1000\n"
        "daemon up\n"  // 1500: the sign-on is gone all the same
        "wait 1000\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 100\n"
        "release\n"
        "wait 100\n"
        "daemon down\n"  // 2700
        "wait 3500\n"
        "daemon up\n"  // 6200
        "wait 2500\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 100\n"
        "release\n"
        "wait 100\n");
    const std::uint64_t ups[] = {1500, 6200};
    const auto signOns = libTimes("qxConnect", 0);
    ASSERT_EQ(signOns.size(), 3u);  // construction and the two returns
    for (int i = 0; i < 2; ++i) {
        EXPECT_GT(signOns[i + 1], ups[i]);
        EXPECT_LE(signOns[i + 1], ups[i] + kWatchPeriodMs + kPassMs);
        // The mode is reported again with the new sign-on, and accepted.
        EXPECT_EQ(countIn(acceptedModeTimes(), signOns[i + 1], signOns[i + 1] + 1), 1u)
            << "sign-on at " << signOns[i + 1];
    }
    EXPECT_EQ(signOns[1], 2000u);
    EXPECT_EQ(signOns[2], 8000u);
    // Both motions after a return moved and ended the view.
    const auto views = times("view");
    EXPECT_GT(countIn(views, 2500, 2700), 3u);
    EXPECT_GT(countIn(views, 8700, 8900), 3u);
    EXPECT_EQ(events("view_saved").size(), 2u);
    EXPECT_EQ(logCount("Connection lost - cap released."), 2);
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

// The second of three devices cannot be described: the sign-on stands, the
// watchdog's check finds the link holding, and the session works; the
// rotation settings come with the daemon's first settings event.
TEST_F(DaemonFaults, DeviceInfoFailingForTheSecondOfThreeDevices) {
    qxdaemon::failDevInfoAt(1);
    play(
        "devices A B C\n"
        "rotation 4\n"  // settings event before the load: dropped
        "wait 500\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 100\n"
        "release\n"
        "wait 100\n"
        "key 0x20021\n"
        "wait 2500\n"
        "rotation 113\n"
        "wait 100\n");
    EXPECT_EQ(logCount("Error in qxGetDevInfo()!"), 1);
    EXPECT_EQ(logCount("devIdx: 0:A"), 1);
    EXPECT_EQ(logCount("devIdx: 1"), 0);
    EXPECT_EQ(qxdaemon::callCount(Op::Connect), 1);
    EXPECT_EQ(qxdaemon::callCount(Op::GetDevInfo), 2);
    const auto settings = libTimes("qxGetAdvancedSettings", 0);
    ASSERT_EQ(settings.size(), 1u);
    EXPECT_GE(settings[0], 3200u);
    EXPECT_LE(settings[0], 3200u + kPassMs);
    EXPECT_EQ(libTimes("qxGetDevNum", 1).size(), 0u);
    EXPECT_FALSE(events("view").empty());
    EXPECT_EQ(events("view_saved").size(), 1u);
    EXPECT_EQ(macroTimes("_circle\\n").size(), 1u);
    EXPECT_EQ(acceptedModeTimes().size(), 1u);
}

// A library whose read fails at once while the daemon is gone: through a
// 10 s outage the reading thread reads about ten times a second, the held
// cap is released, and after the return the next motion is read at once.
TEST_F(DaemonFaults, ReadsFailingAtOnceWhileGoneArePacedThroughAnOutage) {
    qxdaemon::setReadFailsFastWhileDown(true);
    play(
        "wait 500\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 300\n"
        "daemon down\n"  // 800, with the cap held
        "wait 10000\n"
        "daemon up\n"  // 10800; the pass at 12000 signs on
        "wait 1500\n"
        "cap 0 0 -400 0 0 0\n"
        "wait 100\n"
        "release\n"
        "wait 100\n");
    const int reads = qxdaemon::callCount(Op::ReadEvent);
    // 12.5 s: the outage's paced reads and one blocking read per event.
    EXPECT_GE(reads, 100);
    EXPECT_LE(reads, 11 * 11 + 10);
    const auto saved = times("view_saved");
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_GT(saved[0], kWatchPeriodMs);
    EXPECT_LE(saved[0], kWatchPeriodMs + kPassMs);
    EXPECT_EQ(libTimes("qxConnect", 0).back(), 12000u);
    // The held cap ran behind the scenario's waits; the next motion comes
    // some hundred ms after the sign-on.
    EXPECT_GE(countIn(times("view"), 12000, 13000), 1u);
    EXPECT_GT(saved[1], 12000u);
}
