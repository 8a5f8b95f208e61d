// Short race stress runs on the virtual clock: the same seed gives the same
// run, and every numbered key is executed, replaced by a newer one or
// dropped for want of a drawing, never lost. Under ThreadSanitizer the same
// runs check the hand-over between the plug-in's threads.
#include <gtest/gtest.h>

#include "race_stress.h"

namespace {

stress::StressReport run(std::uint64_t seed, int events) {
    stress::StressOptions options;
    options.seed = seed;
    options.realTime = false;
    options.events = events;
    return stress::runRaceStress(options);
}

void expectClean(const stress::StressReport& report) {
    ASSERT_TRUE(report.loaded) << report.error;
    EXPECT_TRUE(report.problems.empty()) << stress::describe(report);
    EXPECT_TRUE(report.keys.violations.empty()) << stress::describe(report);
    EXPECT_EQ(report.eventsDropped, 0);
    EXPECT_EQ(report.eventsRead, report.eventsSent);
}

TEST(RaceStress, EveryKeyIsAccountedForAndTheRunRepeats) {
    const stress::StressReport first = run(7, 6000);
    expectClean(first);
    // The run exercised what it is meant to: keys taken, keys replaced,
    // navigation, commands and document switches on the host thread.
    EXPECT_GT(first.keys.executed, 10);
    EXPECT_GT(first.keys.replaced, 10);
    EXPECT_GT(first.viewUpdates, 10);
    EXPECT_GT(first.commands, 0);
    EXPECT_GT(first.documentSwitches, 0);
    EXPECT_EQ(first.keys.executed + first.keys.replaced + first.keys.droppedNoDrawing,
              first.keys.sent);

    const stress::StressReport again = run(7, 6000);
    EXPECT_EQ(stress::describe(again), stress::describe(first));
}

TEST(RaceStress, OtherSeedsAreCleanToo) {
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        expectClean(run(seed, 4000));
    }
}

}  // namespace
