// The recording of a live session: where its steps are written relative to
// the passes of the module's timer, and the calibration against a replay.

#include <gtest/gtest.h>

#include "live_recorder.h"

namespace qxsim {
namespace {

Step step(const std::string& line) {
    std::optional<ScenarioError> error;
    return *parseLine(line, "t", 1, error);
}

// Live: the session went live at 1 s; passes every 17 ms from 1.3 s; a cap
// at 1.25 s (taken up by the pass at 1.3 s), a new value after the 3rd pass
// and the release after the 10th, a command after the motion.
LiveRecorder& recorded(LiveRecorder& r) {
    r.step(1'250'000, step("cap 0 0 0 0 200 0"));
    for (int k = 0; k < 10; ++k) {
        r.pass(1'300'000 + 17'000 * k);
    }
    r.step(1'335'000, step("cap 0 0 0 100 0 0"));  // after the 3rd pass (1.334 s)
    r.step(1'460'000, step("release"));            // after the 10th pass (1.453 s)
    r.step(1'700'000, step("command QX_Toggle_Scroll_Mode"));
    return r;
}

TEST(LiveRecorder, WritesMotionsRelativeToTheirPasses) {
    LiveRecorder r("drawing sample", 1'000'000);
    EXPECT_EQ(recorded(r).plan(1'800'000).text(),
              "# Recorded by qxsim --live, with the live timing: a replay in virtual time may "
              "take more or fewer passes in a motion than the session did.\n"
              "# Replay it in virtual time with: qxsim FILE\n"
              "drawing sample\n"
              "wait 250\ncap 0 0 0 0 200 0\n"  // 50 ms before the pass that took it up
              "wait 87\ncap 0 0 0 100 0 0\n"   // 3 ms after the pass before it
              "wait 119\nrelease\n"            // 3 ms after the last pass
              "# motion 1: 10 passes\n"
              "wait 244\ncommand QX_Toggle_Scroll_Mode\n"  // when it was played
              "wait 200\n");  // the time a release needs to be seen, after the last step
}

TEST(LiveRecorder, CalibrationMovesStepsToTheReplaysPassesAndNeedsTheLastView) {
    LiveRecorder r("", 1'000'000);
    r.view(viewNumbers(R"({"t":1460,"ev":"view_saved","vp":2,"up":[0,1,-2.5e-3],"persp":false})"));
    const LivePlan recordedPlan = recorded(r).plan(1'800'000);
    LivePlan plan = recordedPlan;
    std::vector<double> replayView = {2, 0, 1, -2.5e-3};
    // A replay whose passes come every 16 ms from 330 ms and that takes up the
    // release a pass late unless it comes at least 10 ms before a pass.
    int replays = 0;
    std::int64_t release = 0;
    const PassReplayer replay = [&](const std::string& text) {
        ++replays;
        release = 0;
        for (std::size_t at = 0; (at = text.find("wait ", at)) != std::string::npos; at += 5) {
            if (text.find("\nrelease", at) != std::string::npos) {
                release += std::stoll(text.substr(at + 5));
            }
        }
        ReplayTimes times;
        std::int64_t t = 330;
        for (; t < release + 10; t += 16) {
            times.passes.push_back(t);
        }
        times.rests.push_back(t);
        times.lastView = replayView;
        return times;
    };
    EXPECT_TRUE(calibrate(plan, replay));
    EXPECT_EQ(replays, 2);
    EXPECT_EQ(plan.entries[1].ms, 330 + 16 * 2 + 3);  // the new value after the 3rd pass
    EXPECT_EQ(release, 330 + 16 * 9 - 2);     // 12 ms before the 11th pass: the 10th moved last
    EXPECT_EQ(plan.entries[3].ms, 700 + 16);  // the command moved with the release
    EXPECT_TRUE(plan.text().starts_with("# Recorded by qxsim --live, calibrated"));
    // The same passes ending on another view: a drag's value came on another pass.
    plan = recordedPlan;
    replayView[3] += 1e-6;
    EXPECT_FALSE(calibrate(plan, replay));
    EXPECT_EQ(plan.text(), recordedPlan.text());
}

TEST(LiveRecorder, KeepsTheLiveTimingWhenNoReplayMatches) {
    LiveRecorder r("", 1'000'000);
    LivePlan plan = recorded(r).plan(1'800'000);
    const std::string live = plan.text();
    EXPECT_FALSE(calibrate(plan, [](const std::string&) { return std::nullopt; }));
    EXPECT_EQ(plan.text(), live);
    // A replay that never matches: each round moves steps, none stays.
    EXPECT_FALSE(calibrate(plan, [](const std::string&) { return ReplayTimes{{400}, {416}, {}}; }));
    EXPECT_EQ(plan.text(), live);
}

TEST(LiveRecorder, BoundsItsHistoryAndSplitsLongWaits) {
    LiveRecorder r("", 0);
    const Step select = step("select none");
    for (std::size_t k = 0; k <= LiveRecorder::kMaxSteps; ++k) {
        r.step(k * 1000, select);
    }
    EXPECT_EQ(r.stepCount(), LiveRecorder::kMaxSteps);
    // A page left open over a day: waits of an hour at most.
    const std::string text = r.plan(LiveRecorder::kMaxSteps * 1000 + 90'000'000'000ULL).text();
    EXPECT_NE(text.find("stopped at its limit after 100000 ms"), std::string::npos);
    EXPECT_NE(text.find("wait 3600000\nwait 3600000\n"), std::string::npos);
    EXPECT_EQ(text.find("wait 8"), std::string::npos);
}

}  // namespace
}  // namespace qxsim
