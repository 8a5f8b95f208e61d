// Virtual time: how the clock moves, the schedule of host callbacks and the
// rule that time waits for plug-in threads.
#include <windows.h>

#include <ostream>
#include <thread>
#include <utility>
#include <vector>

#include "sim_fixture.h"

using namespace win32sim;

namespace {

// Work long enough that a clock that does not wait would move meanwhile.
void busyWork() {
    for (int i = 0; i < 200; ++i) {
        std::this_thread::yield();
    }
}

// What each thread of a session saw; each keeps its own list, so only the
// clock decides the contents.
struct Trace {
    std::vector<DWORD> sleeper;
    std::vector<std::pair<DWORD, DWORD>> waiter;  // (tick, wait result)
    std::vector<std::uint64_t> host;
    bool operator==(const Trace&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Trace& trace) {
        out << "sleeper:";
        for (DWORD t : trace.sleeper) {
            out << ' ' << t;
        }
        out << " waiter:";
        for (const auto& [t, result] : trace.waiter) {
            out << ' ' << t << '/' << result;
        }
        out << " host:";
        for (std::uint64_t t : trace.host) {
            out << ' ' << t;
        }
        return out;
    }
};

}  // namespace

TEST_F(SimWorld, VirtualClockMovesOnlyWhenTold) {
    EXPECT_EQ(0u, nowMs());
    advanceTo(1500);
    EXPECT_EQ(1500u, nowMs());
    advanceTo(1000);  // never backwards
    EXPECT_EQ(1500u, nowMs());
    advanceBy(250);
    EXPECT_EQ(1750u, GetTickCount());
    chargeUs(999);
    EXPECT_EQ(1750999u, nowUs());
    EXPECT_EQ(1750u, GetTickCount());  // truncated to whole ms
    chargeUs(1);
    EXPECT_EQ(1751u, GetTickCount());
}

TEST_F(SimWorld, TickCountWrapsAt32Bits) {
    advanceTo((1ull << 32) + 5);
    EXPECT_EQ((1ull << 32) + 5, nowMs());
    EXPECT_EQ(5u, GetTickCount());
}

TEST_F(SimWorld, HostSleepMovesTheClockAndIsTranscribed) {
    advanceTo(40);
    Sleep(300);
    EXPECT_EQ(340u, nowMs());
    const auto sleeps = linesOf("sleep");
    ASSERT_EQ(1u, sleeps.size());
    EXPECT_EQ("{\"t\":40,\"ev\":\"sleep\",\"ms\":300}", sleeps[0]);
}

TEST_F(SimWorld, ScheduledCallbacksRunInTimeOrderWithinAnAdvance) {
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

TEST_F(SimWorld, CallbackAlreadyDueRunsAtTheNextAdvance) {
    advanceTo(500);
    std::uint64_t ranAt = 0;
    scheduleAt(100, [&] { ranAt = nowMs(); });
    EXPECT_EQ(0u, ranAt);
    advanceBy(0);
    EXPECT_EQ(500u, ranAt);
}

TEST_F(SimWorld, CallbackRunsWhenChargedTimeHasPassedIt) {
    std::uint64_t ranAt = 0;
    scheduleAt(10, [&] { ranAt = nowUs(); });
    chargeUs(25000);  // a cheap call never runs callbacks
    EXPECT_EQ(0u, ranAt);
    advanceBy(5);
    EXPECT_EQ(25000u, ranAt);
    EXPECT_EQ(30u, nowMs());
}

TEST_F(SimWorld, SleepingThreadWakesAtItsDeadlineBeforeTimeMovesOn) {
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

    PluginThread sleeper([&] {
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

TEST_F(SimWorld, RunsOfTheSameSessionGiveTheSameTrace) {
    auto runOnce = [] {
        resetWorld();
        Trace trace;
        HANDLE kick = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        PluginThread sleeper([&] {
            for (int i = 0; i < 10; ++i) {
                Sleep(30 + i);
                trace.sleeper.push_back(GetTickCount());
            }
        });
        PluginThread waiter([&] {
            for (int i = 0; i < 6; ++i) {
                const DWORD result = WaitForSingleObject(kick, 70);
                trace.waiter.emplace_back(GetTickCount(), result);
            }
        });
        for (std::uint64_t at : {45u, 100u, 101u, 205u}) {
            scheduleAt(at, [&trace, kick] {
                trace.host.push_back(nowMs());
                chargeUs(1500);  // before the wake-up: the waiter reads the clock
                SetEvent(kick);
            });
        }
        advanceTo(600);
        sleeper.join();
        waiter.join();
        CloseHandle(kick);
        return trace;
    };
    const Trace first = runOnce();
    ASSERT_EQ(10u, first.sleeper.size());
    ASSERT_EQ(6u, first.waiter.size());
    EXPECT_EQ((std::pair<DWORD, DWORD>{46, WAIT_OBJECT_0}), first.waiter[0]);
    for (int run = 0; run < 5; ++run) {
        EXPECT_EQ(first, runOnce()) << "run " << run;
    }
}
