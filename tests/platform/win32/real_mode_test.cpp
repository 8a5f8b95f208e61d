// Real time: the same calls against the wall clock, with tiny durations. No
// test waits on a sleep for another thread; the API's own waits order them.
#include <windows.h>

#include <atomic>

#include "test_host.h"
#include "transcript.h"
#include "win32_control.h"

using namespace win32sim;

class RealTime : public TestHost {
protected:
    void SetUp() override {
        TestHost::SetUp();
        setClockMode(ClockMode::Real);
    }
};

TEST_F(RealTime, SetEventReleasesAnEndlessWait) {
    HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<DWORD> result{WAIT_FAILED};
    TestThread waiter([&] { result = WaitForSingleObject(go, INFINITE); });
    waitQuiescent();  // parked in the wait
    SetEvent(go);
    waiter.join();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), result.load());
    CloseHandle(go);
}

TEST_F(RealTime, MessageLoopDeliversTimersAndScheduledCallbacksWhenDue) {
    static std::atomic<int> ticks{0};
    static std::atomic<std::uint64_t> firstTickUs{0};
    ticks = 0;
    struct Local {
        static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
            if (ticks++ == 0) {
                firstTickUs = nowUs();
            }
        }
    };
    const std::uint64_t start = nowUs();
    std::uint64_t callbackUs = 0;
    scheduleAt(start / 1000 + 5, [&] { callbackUs = nowUs(); });
    SetTimer(nullptr, 0, 10, Local::tick);
    runMessageLoopUntil(start / 1000 + 35);
    const std::uint64_t end = nowUs();
    EXPECT_GE(end, start + 34000);
    // Never early: no more ticks than whole periods have passed, however
    // late a loaded machine lets the loop end.
    EXPECT_GE(ticks.load(), 1);
    EXPECT_LE(ticks.load(), static_cast<int>((end - start) / 10000));
    EXPECT_GE(firstTickUs.load(), start + 10000);
    EXPECT_GE(callbackUs, (start / 1000 + 5) * 1000);
}

TEST_F(RealTime, SwitchingModesNeverTurnsTheClockBack) {
    setClockMode(ClockMode::Virtual);
    advanceTo(100000);
    setClockMode(ClockMode::Real);
    const std::uint64_t real = nowMs();
    EXPECT_GE(real, 100000u);
    EXPECT_LT(real, 101000u);
    setClockMode(ClockMode::Virtual);
    EXPECT_GE(nowMs(), real);
}
