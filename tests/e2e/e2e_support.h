// Support of the end-to-end tests: runs the built qxsim on a scenario in a
// fresh folder, reads back its transcript and log file with the parts that
// change from run to run masked, and compares them with golden files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "test_host.h"

// Fails the test with a readable diff unless `diffText` is empty.
#define EXPECT_NO_DIFF(diffText)                 \
    do {                                         \
        const std::string qxDiff_ = (diffText);  \
        EXPECT_TRUE(qxDiff_.empty()) << qxDiff_; \
    } while (false)

namespace e2e {

struct RunSetup {
    // Profile folder given with --profile: created with
    // QuorvexDevice/Applications and the sample menu file when true, left
    // empty when false. Without a given profile qxsim makes its default one.
    bool giveProfile = true;
    bool withApplicationsFolder = true;
    // Also a settings file with the default values (tests/e2e/profile), as
    // left by an earlier run; without it the module writes its default one.
    bool seedSettings = true;
    // When not empty: the settings file's text, in place of the seeded one,
    // and the menu file's text, in place of the sample one.
    std::string settings;
    std::string menu;
    // --transcript in the run's folder; without it qxsim writes its default
    // qxsim-transcript.jsonl beside the profile folder.
    bool giveTranscript = true;
    std::vector<std::string> extraArgs;  // before the scenario
    // Given: the program and arguments qxsim runs under (setpriv, say).
    std::vector<std::string> launcher;
    bool passScenario = true;  // false: qxsim plays its bundled tour
    // Given: the scenario goes to qxsim's standard input and qxsim reads "-".
    bool scenarioOnStdin = false;
    // Given: called with the run's folder before qxsim starts.
    std::function<void(const std::string& dir)> prepare;
    // Given: the folder of an earlier run to run in again, in place of a new one.
    std::string dir;
    // Given: called with qxsim's process id and the run's folder while it runs.
    std::function<void(int pid, const std::string& dir)> whileRunning;
};

struct SimRun {
    int exitCode = -1;
    std::string dir;      // the run's folder (the child's working folder)
    std::string profile;  // the profile folder
    std::string out, err;
    long peakKiB = 0;                     // the most memory qxsim (or its launcher) held
    std::vector<std::string> transcript;  // masked lines
    std::vector<std::string> log;         // masked lines of the module's log file
};

// Runs qxsim on `scenario` in a new folder under the system's temp folder.
SimRun runQxsim(const std::string& scenario, const RunSetup& setup = {});

// Removes the run's folder (tests keep it when they fail, for a look).
void removeRun(const SimRun& run);

// Replaces the run's folders by <PROFILE>, <RUN> and the module's folder by
// <BIN>.
std::string maskPaths(const std::string& text, const SimRun& run);

// Masks what changes from run to run or with unrelated edits in log lines:
// the wall-clock time, the source line (the code's, not the behaviour's) and
// the header's date. Thread ids become T1, T2, ... in order of first
// appearance, so which thread wrote an entry still shows.
std::vector<std::string> maskLog(const std::vector<std::string>& lines);

// Golden files hold numbers as the build that wrote them computed them;
// another compiler or machine may round the last bits otherwise (a fused
// multiply-add, say). So a number with a fraction or an exponent matches one
// within either tolerance (relative to the larger of the two, or absolute);
// integers (times, ids, counts, message values) and all other text match
// exactly.
inline constexpr double kGoldenRelTolerance = 1e-9;
inline constexpr double kGoldenAbsTolerance = 1e-9;
bool sameWithinTolerance(const std::string& expected, const std::string& actual);

// Compares `actual` with tests/e2e/golden/<name> line by line, numbers within
// the tolerances above; on a difference returns a readable diff, else an
// empty text. With the environment variable QX_UPDATE_GOLDEN=1 it writes the
// golden file instead (to be read and checked by hand before it is committed).
std::string compareWithGolden(const std::vector<std::string>& actual, const std::string& name);

}  // namespace e2e
