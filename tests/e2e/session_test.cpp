// The session's time line: device steps at the times their waits add up
// to; the bundled tour played twice gives the same transcript, its golden.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {

TEST(Session, ReplayingTheTourGivesTheSameTranscript) {
    RunSetup bundled;
    bundled.passScenario = false;
    const SimRun first = runQxsim("", bundled);
    const SimRun second = runQxsim("", bundled);
    EXPECT_EQ(first.exitCode, 0) << first.err;
    ASSERT_GT(first.transcript.size(), 10u);
    EXPECT_NO_DIFF(lineDiff(first.transcript, second.transcript));
    EXPECT_NO_DIFF(compareWithGolden(first.transcript, "tour.jsonl"));
    if (!HasFailure()) {
        removeRun(first);
        removeRun(second);
    }
}

// The times at which the module saved the view after a motion: right after
// each release reached it.
std::vector<double> viewSavedTimes(const SimRun& run) {
    std::vector<double> times;
    for (const std::string& line : run.transcript) {
        if (textField(line, "ev") == "view_saved") {
            times.push_back(numberField(line, "t"));
        }
    }
    return times;
}

TEST(Session, DeviceStepsComeAtTheSumOfTheWaitsWhateverTheHostIsDoing) {
    // Each release comes while a timer tick of the module (500 ms) moves the
    // view; the command runs late, when that tick has ended.
    const std::string scenario =
        "wait 1500\ncap 0 0 0 0 12 0\nwait 120\ncap 0 0 0 0 120 0\nwait 200\n"
        "release\n"  // 1820
        "wait 500\ncap 0 0 0 0 120 0\nwait 120\ncommand QX_Toggle_Rotation_Center\n"
        "wait 1000\nrelease\n"  // 3440
        "wait 100\n";
    const SimRun run = runQxsim(scenario);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<double> saved = viewSavedTimes(run);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_GE(saved[0], 1820);
    EXPECT_LT(saved[0], 1820 + 16 * 2) << "after a frame's redraw at most";
    EXPECT_GE(saved[1], 3440);
    EXPECT_LT(saved[1], 3440 + 16 * 2);
    // On the wall clock the first release comes within a tick's redraw too.
    RunSetup realTime;
    realTime.extraArgs = {"--real-time"};
    const SimRun real = runQxsim(scenario.substr(0, scenario.find("wait 500")), realTime);
    EXPECT_EQ(real.exitCode, 0) << real.err;
    const std::vector<double> realSaved = viewSavedTimes(real);
    ASSERT_EQ(realSaved.size(), 1u);
    EXPECT_GE(realSaved[0], 1820);
    EXPECT_LT(realSaved[0], 1820 + 200) << "came at the end of the tick";
    if (!HasFailure()) {
        removeRun(run);
        removeRun(real);
    }
}

}  // namespace
}  // namespace e2e
