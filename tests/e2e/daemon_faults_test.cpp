// The driver daemon refusing every mode report under a running session, in
// virtual time, with the module loaded by qxsim's player. The daemon absent
// at load, lost in a motion and lost and back are pinned down by golden
// sessions (session_test.cpp, scenarios/lost_*), failing devices and reads
// by tests/core.
#include <string>

#include "qxv_ctrlr_control.h"
#include "session_host.h"

using qxdaemon::Op;

namespace {

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
