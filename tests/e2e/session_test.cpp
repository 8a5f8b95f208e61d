// Sessions played through the loaded module: what the module did to the
// simulated world (transcript) and what it logged, against golden files
// that were read and checked line by line.

#include <gtest/gtest.h>

#include "e2e_support.h"

namespace e2e {
namespace {

class Session : public ::testing::Test {
protected:
    SimRun play(const std::string& scenario, const RunSetup& setup = {}) {
        SimRun run = runQxsim(scenario, setup);
        mRuns.push_back(run);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run;
    }
    void TearDown() override {
        for (const SimRun& run : mRuns) {
            if (HasFailure()) {
                std::cerr << "kept the run's folder " << run.dir << "\n";
            } else {
                removeRun(run);
            }
        }
    }
    static std::vector<double> timesOf(const SimRun& run, const std::string& ev,
                                       const std::string& op) {
        std::vector<double> times;
        for (const std::string& line : run.transcript) {
            if (textField(line, "ev") == ev && textField(line, "op") == op) {
                times.push_back(numberField(line, "t"));
            }
        }
        return times;
    }

private:
    std::vector<SimRun> mRuns;
};

TEST_F(Session, NoDaemonAtLoadThenTheWatchdogSignsOnOnceItAppears) {
    SimRun run = play(
        "daemon down   # before the module loads\n"
        "wait 5000\n"
        "daemon up\n"
        "wait 2000\n");
    // The constructor's attempt, the watchdog's first pass at once, then one
    // every 2000 ms; the daemon is back at 5000, so the try at 6000 holds.
    std::vector<double> connects = timesOf(run, "lib", "qxConnect");
    ASSERT_EQ(connects.size(), 5u);
    EXPECT_EQ(connects[0], 0);
    EXPECT_EQ(connects[1], 0);
    for (std::size_t i = 2; i < connects.size(); ++i) {
        EXPECT_NEAR(connects[i] - connects[i - 1], 2000, 2) << "attempt " << i;
    }
    EXPECT_NO_DIFF(compareWithGolden(run.transcript, "no_daemon_at_load.jsonl"));
    EXPECT_NO_DIFF(compareWithGolden(run.log, "no_daemon_at_load.log"));
}

TEST_F(Session, DaemonLostAndBack) {
    SimRun run = play(
        "wait 1000\n"
        "daemon down\n"
        "wait 4500\n"
        "daemon up\n"
        "wait 2500\n");
    EXPECT_NO_DIFF(compareWithGolden(run.transcript, "daemon_lost_and_back.jsonl"));
    EXPECT_NO_DIFF(compareWithGolden(run.log, "daemon_lost_and_back.log"));
}

TEST_F(Session, UnloadRightAfterLoadDoesNotWaitForTheWatchdogPeriod) {
    SimRun run = play("unload\n");
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(textField(run.transcript.back(), "ev"), "unload");
    EXPECT_LT(numberField(run.transcript.back(), "t"), 2000);
    EXPECT_NO_DIFF(compareWithGolden(run.transcript, "unload_after_load.jsonl"));
    EXPECT_NO_DIFF(compareWithGolden(run.log, "unload_after_load.log"));
}

TEST_F(Session, LogSizeLimitZeroKeepsOneHeaderAndTheLastLine) {
    // Every line moves the log to its backup first, the last one (the log's
    // own, at unload) included: its new header reads nothing already freed.
    RunSetup setup;
    setup.settings = settingsWith({{"maxSize", "0"}});
    SimRun run = play("wait 100\n", setup);
    EXPECT_NO_DIFF(compareWithGolden(run.log, "max_size_zero.log"));
}

TEST_F(Session, ReplayingTheTourGivesTheSameTranscript) {
    RunSetup bundled;
    bundled.passScenario = false;
    SimRun first = play("", bundled);
    SimRun second = play("", bundled);
    ASSERT_GT(first.transcript.size(), 10u);
    EXPECT_NO_DIFF(lineDiff(first.transcript, second.transcript));
    EXPECT_NO_DIFF(compareWithGolden(first.transcript, "tour.jsonl"));
}

}  // namespace
}  // namespace e2e
