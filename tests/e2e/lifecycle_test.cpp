// The module loaded and unloaded many times in one process, as a host does
// when a user unloads and loads it again, with motion and key events flowing
// in every cycle: no hang, no file descriptor or thread left behind (and
// under the asan preset no leak). QX_LIFECYCLE_CYCLES sets the number of
// cycles (default 50; CI runs 1000).
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iostream>
#include <string>
#include <thread>

#include "module_session.h"
#include "player.h"
#include "scenario.h"
#include "test_host.h"
#include "win32_control.h"

namespace fs = std::filesystem;

namespace {

// Open file descriptors (in /proc/self/fd) or threads (in /proc/self/task).
int entriesIn(const char* dir) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) {
        ++count;
    }
    return count;
}

// Threads of this process once the count has come down to `expected`, or the
// count after five seconds of waiting for that. A joined thread can stay
// listed for a moment: the kernel wakes the joiner when the thread releases
// its memory, before it removes the task.
int threadCountSettledTo(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int count = entriesIn("/proc/self/task");
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
        count = entriesIn("/proc/self/task");
    }
    return count;
}

int cycleCount() {
    const char* text = std::getenv("QX_LIFECYCLE_CYCLES");
    const int cycles = text != nullptr ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : 50;
}

// One cycle, 200 ms of virtual time: load, a cap motion with a key in the
// middle of it, the release, unload. The motion turns without zooming, so
// that a thousand cycles leave the view's field as it was (a zoom repeated
// that often would reach the field's limit, where steps are not applied).
constexpr const char* kCycle =
    "load\n"
    "wait 100\n"
    "cap 0 0 0 120 0 0\n"
    "wait 60\n"
    "key 0x20021\n"
    "release\n"
    "wait 40\n"
    "unload\n";
constexpr std::uint64_t kCycleMs = 200;
constexpr std::uint64_t kFrameMs = 16;

}  // namespace

// qxsim's own player in this process, loading the real module with dlopen,
// with the sample menu file in the test host's profile.
class Lifecycle : public TestHost {
protected:
    void SetUp() override {
        TestHost::SetUp();
        qxsim::resetStandIns();
        fs::copy_file(QX_SAMPLE_MENU, menuPath());
    }
    // Plays `scenario` and unloads at the end; a scenario or load error or a
    // warning of the player (module kept in memory, thread left) fails.
    void play(const std::string& scenario) {
        const qxsim::ParseResult parsed = qxsim::parseScenario(scenario, "scenario");
        ASSERT_FALSE(parsed.error) << parsed.error->text();
        qxsim::ModuleSession module(qxsim::moduleBesideExecutable());
        qxsim::Player player(module, {});
        std::string error;
        EXPECT_EQ(player.play(parsed.steps, error), 0) << error;
        for (const std::string& warning : player.warnings()) {
            ADD_FAILURE() << warning;
        }
    }
};

TEST_F(Lifecycle, LoadUnloadCyclesWithEventsLeaveNothingBehind) {
    const int cycles = cycleCount();
    std::string scenario;
    for (int i = 0; i < cycles; ++i) {
        scenario += kCycle;
    }

    // A sanitizer runtime starts a thread of its own when the process creates
    // its first thread: create one first and count while it is still alive,
    // since a thread that has just ended can stay listed for a moment.
    std::promise<void> release;
    std::thread first([ended = release.get_future()] { ended.wait(); });
    const int threadsBefore = entriesIn("/proc/self/task") - 1;
    release.set_value();
    first.join();
    const int fdsBefore = entriesIn("/proc/self/fd");
    play(scenario);
    const int fdsAfter = entriesIn("/proc/self/fd");
    const int threadsAfter = threadCountSettledTo(threadsBefore);
    std::cout << "cycles: " << cycles << ", descriptors " << fdsBefore << " -> " << fdsAfter
              << ", threads " << threadsBefore << " -> " << threadsAfter << ", virtual ms "
              << win32sim::nowMs() << "\n";

    EXPECT_EQ(fdsAfter, fdsBefore);
    EXPECT_EQ(threadsAfter, threadsBefore);
    // Every cycle signed on, moved the view, ended the motion and ran the key.
    const auto size = static_cast<std::size_t>(cycles);
    const auto loads = times("load");
    const auto unloads = times("unload");
    ASSERT_EQ(loads.size(), size);
    ASSERT_EQ(unloads.size(), size);
    // No unload waited for a watchdog period or a read: a cycle takes its
    // waits and at most the frame the release came in.
    for (std::size_t i = 0; i < size; ++i) {
        ASSERT_LE(unloads[i] - loads[i], kCycleMs + kFrameMs) << "cycle " << i;
    }
    EXPECT_EQ(events("view_saved").size(), size);
    EXPECT_GE(events("view").size(), size);
    EXPECT_EQ(events("send").size(), 2 * size);  // escape, then the macro
    EXPECT_EQ(logCount("Reading thread ended."), cycles);
    EXPECT_EQ(logCount("Error"), logCount("Error: MenuHarvest does not exist"));
}
