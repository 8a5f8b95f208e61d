// Short race stress runs on the virtual clock: the same seed gives the same
// run, and every numbered key is executed, replaced by a newer one or
// dropped for want of a drawing, never lost. Under ThreadSanitizer the same
// runs check the hand-over between the plug-in's threads. The long run on
// the wall clock is for CI and people (tools/ci/stress.sh): it runs only when
// QX_STRESS_SECONDS is set, with the seed QX_STRESS_SEED (default 1).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <thread>

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
    EXPECT_EQ(first.keys.executed + first.keys.replaced + first.keys.droppedNoDrawing,
              first.keys.sent);
    const stress::StressReport again = run(7, 6000);
    EXPECT_EQ(stress::describe(again), stress::describe(first));
}

TEST(RaceStress, OtherSeedsAreCleanAndCoverTheHostsWork) {
    stress::StressReport total;
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const stress::StressReport report = run(seed, 5000);
        expectClean(report);
        total.keys.executed += report.keys.executed;
        total.keys.replaced += report.keys.replaced;
        total.keys.droppedNoDrawing += report.keys.droppedNoDrawing;
        total.viewUpdates += report.viewUpdates;
        total.redraws += report.redraws;
        total.scrollMessages += report.scrollMessages;
        total.commands += report.commands;
        total.documentSwitches += report.documentSwitches;
        total.spaceSwitches += report.spaceSwitches;
    }
    // The runs exercised what they are meant to: keys taken, replaced and
    // dropped; navigation, object moves and scrolling; commands, document
    // and space switches on the host thread.
    EXPECT_GT(total.keys.executed, 10);
    EXPECT_GT(total.keys.replaced, 10);
    EXPECT_GT(total.keys.droppedNoDrawing, 0);
    EXPECT_GT(total.viewUpdates, 10);
    EXPECT_GT(total.redraws, 0);
    EXPECT_GT(total.scrollMessages, 0);
    EXPECT_GT(total.commands, 0);
    EXPECT_GT(total.documentSwitches, 0);
    EXPECT_GT(total.spaceSwitches, 0);
}

TEST(RaceStress, RealTime) {
    const char* seconds = std::getenv("QX_STRESS_SECONDS");
    if (seconds == nullptr) {
        GTEST_SKIP() << "the real-time run needs QX_STRESS_SECONDS";
    }
    stress::StressOptions options;
    options.realTime = true;
    options.seconds = std::strtod(seconds, nullptr);
    if (const char* seed = std::getenv("QX_STRESS_SEED")) {
        options.seed = std::strtoull(seed, nullptr, 0);
    }
    const stress::StressReport report = stress::runRaceStress(options);
    std::cout << stress::describe(report) << std::flush;
    ASSERT_TRUE(report.loaded) << report.error;
    EXPECT_TRUE(report.problems.empty());
    EXPECT_TRUE(report.keys.violations.empty());
}

// A test program dies with whoever started it (ctest, say): a real-time run
// ends when the thread that started it ends, long before its ten minutes.
TEST(RaceStress, RunEndsWithItsRunner) {
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=RaceStress.RealTime",
                seconds = "QX_STRESS_SECONDS=600";
    char* argv[] = {self.data(), filter.data(), nullptr};
    char* envp[] = {seconds.data(), nullptr};
    pid_t run = 0;
    std::thread([&] {  // starts the run and ends once the run has written its first line
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        char first = 0;
        const int spawned = posix_spawn(&run, argv[0], &actions, nullptr, argv, envp);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_TRUE(spawned == 0 && read(out[0], &first, 1) == 1);
    })
        .join();
    close(out[1]);
    ASSERT_GT(run, 0);
    pollfd end{out[0], POLLIN, 0};  // its output ends when it does
    char buffer[4096];
    bool ended = false;
    while (!ended && poll(&end, 1, 30000) > 0) {
        ended = read(out[0], buffer, sizeof buffer) <= 0;
    }
    EXPECT_TRUE(ended) << "the run outlived its runner by 30 s";
    kill(run, SIGKILL);  // a child of this test: dead or alive, still its own
    waitpid(run, nullptr, 0);
    close(out[0]);
}

}  // namespace
