// Thread timers and the host's message loop: ids, periodic delivery, due
// times, ownership by the arming thread. The driver's one-shot re-arm
// pattern is covered by the driver's tests (tests/core).
#include <windows.h>

#include <atomic>
#include <functional>
#include <set>
#include <vector>

#include "test_host.h"
#include "transcript.h"
#include "win32_control.h"

using namespace win32sim;

namespace {

struct Delivery {
    UINT_PTR id;
    DWORD time;
    std::uint64_t clockMs;
    bool operator==(const Delivery&) const = default;
};

// Timer procedures are plain function pointers, so their record is global.
std::vector<Delivery> gDeliveries;
bool gBadArguments = false;

void CALLBACK recordTick(HWND hWnd, UINT msg, UINT_PTR id, DWORD time) {
    gBadArguments |= hWnd != nullptr || msg != WM_TIMER;
    gDeliveries.push_back({id, time, nowMs()});
}

// A tick that redraws: the frame costs 16 ms of host time.
void CALLBACK redrawTick(HWND, UINT, UINT_PTR id, DWORD time) {
    gDeliveries.push_back({id, time, nowMs()});
    advanceBy(16);
}

class Timers : public TestHost {
protected:
    void SetUp() override {
        TestHost::SetUp();
        gDeliveries.clear();
        gBadArguments = false;
    }
    static std::vector<std::uint64_t> deliveryTimes() {
        std::vector<std::uint64_t> times;
        for (const Delivery& d : gDeliveries) {
            times.push_back(d.clockMs);
        }
        return times;
    }
};

}  // namespace

TEST_F(Timers, DueTimesOfRaisedReplacedAndLateArmedTimers) {
    struct Case {
        const char* what;
        std::function<void()> arm;
        std::uint64_t until;
        std::vector<std::uint64_t> expected;
    };
    const Case cases[] = {
        {"an elapse below 10 ms is raised",
         [] { SetTimer(nullptr, 0, 1, recordTick); },
         25,
         {10, 20}},
        {"re-arming an id replaces that timer",
         [] {
             const UINT_PTR id = SetTimer(nullptr, 0, 100, recordTick);
             EXPECT_EQ(id, SetTimer(nullptr, id, 300, recordTick));
         },
         350,
         {300}},
        {"the loop stops for a timer armed by a scheduled callback",
         [] { scheduleAt(50, [] { SetTimer(nullptr, 0, 10, recordTick); }); },
         75,
         {60, 70}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetSimulation();
        gDeliveries.clear();
        c.arm();
        runMessageLoopUntil(c.until);
        EXPECT_EQ(c.expected, deliveryTimes());
        EXPECT_EQ(1, armedTimerCount());
    }
}

TEST_F(Timers, ScenarioEventsArriveInTheMiddleOfARedrawingTick) {
    std::uint64_t eventAt = 0;
    scheduleAt(108, [&] { eventAt = nowMs(); });
    SetTimer(nullptr, 0, 100, redrawTick);
    runMessageLoopUntil(250);
    EXPECT_EQ(108u, eventAt);  // during the frame of the tick at 100
    // The next tick comes 100 ms after the last delivery began.
    EXPECT_EQ((std::vector<std::uint64_t>{100, 200}), deliveryTimes());
    EXPECT_EQ(250u, nowMs());
}

TEST_F(Timers, IdleHandlerRunsBetweenTicksUntilItRestsOrStopsTheLoop) {
    std::vector<bool> busy;  // whether a scheduled callback came during a tick
    scheduleAt(108, [&] { busy.push_back(inTimerProcedure()); });
    scheduleAt(150, [&] { busy.push_back(inTimerProcedure()); });
    SetTimer(nullptr, 0, 100, redrawTick);
    std::vector<std::uint64_t> idle;
    runMessageLoopUntil(1000, [&] {
        idle.push_back(nowMs());
        // Work done once: the loop looks again before it waits.
        return idle.size() == 2 ? IdleResult::Worked
               : nowMs() >= 150 ? IdleResult::Stop
                                : IdleResult::Idle;
    });
    EXPECT_EQ((std::vector<bool>{true, false}), busy);
    EXPECT_EQ((std::vector<std::uint64_t>{0, 116, 116, 216}), idle);
    EXPECT_EQ(216u, nowMs());
}

TEST_F(Timers, TimersAreDeliveredOnlyOnTheArmingThread) {
    static std::atomic<int> threadTicks{0};
    static std::atomic<bool> onRegisteredThread{false};
    threadTicks = 0;
    struct Local {
        static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
            ++threadTicks;
            onRegisteredThread = isRegisteredThread();
        }
    };
    std::atomic<int> deliveredThere{-1};
    TestThread owner([&] {
        SetTimer(nullptr, 0, 50, Local::tick);
        Sleep(120);
        deliveredThere = dispatchDueTimers();
    });
    waitQuiescent();
    EXPECT_EQ(1, armedTimerCount());
    EXPECT_FALSE(nextTimerDueMs().has_value());  // not the host's timer
    runMessageLoopUntil(100);
    EXPECT_EQ(0, threadTicks.load());
    EXPECT_EQ(0, dispatchDueTimers());
    advanceTo(120);
    owner.join();
    EXPECT_EQ(1, deliveredThere.load());  // due at 50, one delivery per call
    EXPECT_EQ(1, threadTicks.load());
    EXPECT_TRUE(onRegisteredThread.load());
}
