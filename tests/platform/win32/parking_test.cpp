// Parking and waking: quiescence never misses a wake-up, events wake their
// waiters at once, and the registry knows plug-in threads from their birth.
// The watchdog's timed wait on its stop event is covered by the plug-in's
// watchdog tests (tests/core).
#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include "test_host.h"
#include "transcript.h"
#include "win32_control.h"

using namespace win32sim;

using Parking = TestHost;

TEST_F(Parking, ReaderWokenByNotifyCountsAsRunningUntilItParksAgain) {
    std::deque<int> queue;  // guarded by simLock()
    int handled = 0;
    bool stop = false;
    TestThread reader([&] {
        std::unique_lock<std::mutex> lock(simLock());
        for (;;) {
            park(lock, [&] { return !queue.empty() || stop; });
            if (queue.empty()) {
                return;
            }
            queue.pop_front();
            lock.unlock();
            std::this_thread::yield();  // handles the event outside the lock
            lock.lock();
            ++handled;
        }
    });
    for (int i = 1; i <= 2000; ++i) {
        {
            std::lock_guard<std::mutex> guard(simLock());
            queue.push_back(i);
            notifyLocked();
        }
        waitQuiescent();
        std::lock_guard<std::mutex> guard(simLock());
        ASSERT_EQ(i, handled) << "waitQuiescent returned before the reader handled event " << i;
    }
    {
        std::lock_guard<std::mutex> guard(simLock());
        stop = true;
        notifyLocked();
    }
    reader.join();
    EXPECT_EQ(0u, nowMs());
}

TEST_F(Parking, WaiterWhoseConditionWasTakenParksAgain) {
    int tokens = 0;  // guarded by simLock()
    std::atomic<int> taken{0};
    auto taker = [&] {
        std::unique_lock<std::mutex> lock(simLock());
        park(lock, [&] { return tokens > 0; });
        --tokens;
        ++taken;
    };
    TestThread first(taker);
    TestThread second(taker);
    waitQuiescent();
    {
        std::lock_guard<std::mutex> guard(simLock());
        tokens = 1;
        notifyLocked();  // both see a token; only one gets it
    }
    waitQuiescent();
    EXPECT_EQ(1, taken.load());
    EXPECT_EQ(1, registeredThreadCount());  // the loser parked again, the winner ended
    {
        std::lock_guard<std::mutex> guard(simLock());
        tokens = 1;
        notifyLocked();
    }
    first.join();
    second.join();
    EXPECT_EQ(2, taken.load());
}

TEST_F(Parking, ParkedThreadGivesUpAtItsDeadline) {
    bool result = true;
    DWORD wokeAt = 0;
    TestThread waiter([&] {
        std::unique_lock<std::mutex> lock(simLock());
        result = park(
            lock, [] { return false; }, 500);
        wokeAt = GetTickCount();
    });
    advanceTo(499);
    EXPECT_EQ(1, registeredThreadCount());
    advanceTo(800);
    waiter.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(500u, wokeAt);
}

TEST_F(Parking, HostWaitWalksVirtualTimeToItsDeadlineOrItsEvent) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event, 500));
    EXPECT_EQ(500u, nowMs());

    scheduleAt(700, [event] { SetEvent(event); });
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(event, 1000));
    EXPECT_EQ(700u, nowMs());
    CloseHandle(event);
}
