// The module loaded and unloaded many times in one process, as a host does
// when a user unloads and loads it again, with motion and key events flowing
// in every cycle: no hang, no file descriptor or thread left behind (and
// under the asan preset no leak). QX_LIFECYCLE_CYCLES sets the number of
// cycles (default 50; CI runs 1000).
#include <cstdlib>
#include <future>
#include <iostream>
#include <string>
#include <thread>

#include "session_host.h"
#include "win32_control.h"

namespace {

int cycleCount() {
    const char* text = std::getenv("QX_LIFECYCLE_CYCLES");
    const int cycles = text != nullptr ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : 50;
}

// One cycle, 200 ms of virtual time: load, a cap motion with a key in the
// middle of it, the release, unload.
constexpr const char* kCycle =
    "load\n"
    "wait 100\n"
    "cap 0 0 -400 120 0 0\n"
    "wait 60\n"
    "key 0x20021\n"
    "release\n"
    "wait 40\n"
    "unload\n";
constexpr std::uint64_t kCycleMs = 200;
constexpr std::uint64_t kFrameMs = 16;

}  // namespace

class Lifecycle : public SessionHost {};

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
    const int threadsBefore = threadCount() - 1;
    release.set_value();
    first.join();
    const int fdsBefore = openDescriptorCount();
    play(scenario);
    const int fdsAfter = openDescriptorCount();
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
