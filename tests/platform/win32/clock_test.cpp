// Virtual time: how the clock moves, the schedule of host callbacks and the
// rule that time waits for plug-in threads. That whole sessions replay
// identically is checked end to end (tests/e2e, the tour replayed twice).
#include <windows.h>

#include <thread>
#include <string>
#include <utility>
#include <vector>

#include "test_host.h"
#include "transcript.h"
#include "win32_control.h"

using namespace win32sim;

namespace {

// Work long enough that a clock that does not wait would move meanwhile.
void busyWork() {
    for (int i = 0; i < 200; ++i) {
        std::this_thread::yield();
    }
}

}  // namespace

using Clock = TestHost;

TEST_F(Clock, ScheduledCallbacksRunInTimeOrderWithinAnAdvance) {
    std::vector<std::pair<std::string, std::uint64_t>> ran;
    auto record = [&](std::string name) {
        return [&ran, name] { ran.emplace_back(name, nowMs()); };
    };
    scheduleAt(300, record("c300"));
    scheduleAt(100, record("a100"));
    scheduleAt(200, [&] {
        ran.emplace_back("b200", nowMs());
        scheduleAt(220, record("nested220"));  // falls inside the running advance
        scheduleAt(50, record("late50"));      // already past: runs at once
    });
    scheduleAt(100, record("a100-second"));
    EXPECT_EQ(100u, nextScheduledMs());

    advanceTo(250);
    const std::vector<std::pair<std::string, std::uint64_t>> expected = {
        {"a100", 100}, {"a100-second", 100}, {"b200", 200}, {"late50", 200}, {"nested220", 220}};
    EXPECT_EQ(expected, ran);
    EXPECT_EQ(250u, nowMs());
    EXPECT_EQ(300u, nextScheduledMs());

    advanceTo(1000);
    EXPECT_EQ(6u, ran.size());
    EXPECT_EQ(std::make_pair(std::string("c300"), std::uint64_t{300}), ran.back());
    EXPECT_FALSE(nextScheduledMs().has_value());
}

TEST_F(Clock, CallbackAlreadyDueRunsAtTheNextAdvanceNotAtACharge) {
    std::uint64_t ranAt = 0;
    scheduleAt(10, [&] { ranAt = nowUs(); });
    chargeUs(25000);  // a cheap call never runs callbacks
    EXPECT_EQ(0u, ranAt);
    advanceBy(5);
    EXPECT_EQ(25000u, ranAt);
    EXPECT_EQ(30u, nowMs());

    scheduleAt(10, [&] { ranAt = nowMs(); });
    advanceBy(0);
    EXPECT_EQ(30u, ranAt);
}

TEST_F(Clock, SleepingThreadWakesAtItsDeadlineBeforeTimeMovesOn) {
    struct Wake {
        DWORD atWake;
        DWORD afterWork;
        bool operator==(const Wake&) const = default;
    };
    std::vector<Wake> wakes;  // handed over through the clock's own lock
    std::size_t seenAt3999 = 0;
    std::size_t seenAt4001 = 0;
    scheduleAt(3999, [&] { seenAt3999 = wakes.size(); });
    scheduleAt(4001, [&] { seenAt4001 = wakes.size(); });

    TestThread sleeper([&] {
        for (int i = 0; i < 3; ++i) {
            Sleep(2000);
            const DWORD atWake = GetTickCount();
            busyWork();
            wakes.push_back({atWake, GetTickCount()});
        }
    });
    advanceTo(1999);
    EXPECT_TRUE(wakes.empty());
    advanceTo(2000);
    ASSERT_EQ(1u, wakes.size());
    EXPECT_EQ((Wake{2000, 2000}), wakes[0]);

    advanceTo(7000);
    sleeper.join();
    const std::vector<Wake> expected = {{2000, 2000}, {4000, 4000}, {6000, 6000}};
    EXPECT_EQ(expected, wakes);
    EXPECT_EQ(1u, seenAt3999);
    EXPECT_EQ(2u, seenAt4001);
    EXPECT_EQ(7000u, nowMs());
}
