// The recording of a live session: each step at the clock's time it was
// taken, after the steps that set the session up.

#include <gtest/gtest.h>

#include "live_recorder.h"

namespace qxsim {
namespace {

Step step(const std::string& line) {
    std::optional<ScenarioError> error;
    return *parseLine(line, "t", 1, error);
}

TEST(LiveRecorder, WritesStepsAtTheirTimesAfterTheHead) {
    // The start-up scenario ended at 500 ms on the time line.
    LiveRecorder r("setting a \"on\"\ndrawing sample\nwait 500", 500);
    r.step(1250, step("cap 0 0 0 0 200 0"));
    r.step(1250, step("cap 0 0 0 100 0 0"));
    const std::size_t failed = r.step(1300, step("load"));
    r.step(1290, step("release"));  // never before the step before it
    r.drop(failed);
    r.note(1400 + 2 * 86'400'000);
    EXPECT_EQ(r.stepCount(), 4u);
    const std::string text = r.text();
    EXPECT_EQ(text.substr(text.find("setting a")),
              "setting a \"on\"\ndrawing sample\nwait 500\n"
              "# The session went live here.\n"
              "wait 750\ncap 0 0 0 0 200 0\ncap 0 0 0 100 0 0\n"
              "wait 50\nrelease\n"
              "wait 86400000\nwait 86400000\nwait 100\n");
}

TEST(LiveRecorder, StopsAtItsLimitAndSaysSo) {
    LiveRecorder r("", 0);
    for (std::size_t i = 0; i <= LiveRecorder::kMaxSteps; ++i) {
        r.step(i, step("key 0x20020"));
    }
    r.note(LiveRecorder::kMaxSteps + 50);
    EXPECT_EQ(r.stepCount(), LiveRecorder::kMaxSteps);
    const std::string text = r.text();
    EXPECT_NE(text.find("# The recording stopped at its limit of 100000 steps: the steps after "
                        "100000 ms are not here.\n"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("key 0x20020\n")) << text.substr(text.size() - 40);
}

}  // namespace
}  // namespace qxsim
