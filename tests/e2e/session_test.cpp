// The session's time line: device steps at the times their waits add up
// to; the bundled tour gives its golden transcript.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {

TEST(Session, TheTourGivesItsGoldenTranscript) {
    RunSetup bundled;
    bundled.passScenario = false;
    const SimRun run = runQxsim("", bundled);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NO_DIFF(compareWithGolden(run.transcript, "tour.jsonl"));
    if (!HasFailure()) {
        removeRun(run);
    }
}

TEST(Session, DeviceStepsComeAtTheSumOfTheWaitsWhateverTheHostIsDoing) {
    // Each release (at 1820 and 3440) comes while a timer tick of the module
    // (500 ms) moves the view; the command runs late, when its tick has ended.
    const std::string motion =
        "wait 1500\ncap 0 0 0 0 12 0\nwait 120\ncap 0 0 0 0 120 0\nwait 200\nrelease\n";
    const std::string lateCommand =
        "wait 500\ncap 0 0 0 0 120 0\nwait 120\ncommand QX_Toggle_Rotation_Center\n"
        "wait 1000\nrelease\nwait 100\n";
    for (const bool real : {false, true}) {
        RunSetup setup;
        if (real) {
            setup.extraArgs = {"--real-time"};
        }
        const SimRun run = runQxsim(real ? motion : motion + lateCommand, setup);
        std::vector<double> saved;  // the module saves the view at a release
        for (const std::string& line : run.transcript) {
            if (textField(line, "ev") == "view_saved") {
                saved.push_back(numberField(line, "t"));
            }
        }
        ASSERT_EQ(saved.size(), real ? 1u : 2u) << run.err;
        // Within two frames of its time; on the wall clock before the tick ends.
        EXPECT_GE(saved[0], 1820);
        EXPECT_LT(saved[0], 1820 + (real ? 200 : 32));
        EXPECT_TRUE(real || (saved[1] >= 3440 && saved[1] < 3440 + 32)) << saved[1];
        removeRun(run);
    }
}

}  // namespace
}  // namespace e2e
