// The bundled tour played twice gives the same transcript, its golden.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace e2e
