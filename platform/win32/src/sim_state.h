// Shared state of the simulated world behind win32_control.h: the clock, the
// registered threads, the parked waiters and the schedule. Every member is
// guarded by simLock() unless it is atomic. Internal to win32sim.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "win32_control.h"

namespace win32sim::detail {

// One thread created through the wrapped pthread_create.
struct ThreadRec {
    bool running = true;  // not parked (a thread that has not started yet runs)
};

// One thread inside park().
struct Waiter {
    const std::function<bool()>* pred = nullptr;
    std::optional<std::uint64_t> deadlineUs;
    ThreadRec* self = nullptr;  // null for a host thread
    bool woken = false;         // marked running by a waker, not yet seen by the waiter
    std::condition_variable cv;
};

struct SimState {
    std::mutex lock;
    // Wakes host threads waiting for quiescence, a schedule change or any
    // change announced by notifyLocked().
    std::condition_variable hostCv;

    std::atomic<int> mode{static_cast<int>(ClockMode::Virtual)};
    std::atomic<std::uint64_t> virtualUs{0};
    // Real mode: steady-clock nanoseconds at which the clock read zero.
    std::atomic<std::int64_t> realBaseNs{0};

    std::list<ThreadRec*> threads;
    int running = 0;  // registered threads with running == true

    // Virtual time runs plug-in threads one at a time: the thread holding
    // the baton runs, the others that could run wait in line in the order
    // they became runnable. This keeps replays identical.
    ThreadRec* baton = nullptr;
    std::deque<ThreadRec*> batonLine;
    std::condition_variable batonCv;

    std::list<Waiter*> waiters;

    // Scheduled callbacks keyed by (due time, order of scheduling).
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::function<void()>> schedule;
    std::uint64_t scheduleSeq = 0;
};

SimState& simState();
ThreadRec* currentThread();  // null on a host thread

// The clock (clock.cpp).
bool isVirtual();
std::uint64_t realNowUs();
// The steady-clock moment at which the real-time clock reads `clockUs`.
std::chrono::steady_clock::time_point realTimePoint(std::uint64_t clockUs);

// Parking (parking.cpp). Lock held. quiescentLocked: no registered thread
// other than the caller runs.
bool quiescentLocked();
void waitQuiescentLocked(std::unique_lock<std::mutex>& lock);
void markParkedLocked(ThreadRec* rec);
void markRunningLocked(ThreadRec* rec);
// park() with a deadline in microseconds on the clock.
bool parkUntilUs(std::unique_lock<std::mutex>& lock, const std::function<bool()>& pred,
                 std::optional<std::uint64_t> deadlineUs);

// The baton (baton.cpp; virtual time only, no effect in real time or for
// host threads). A thread that becomes runnable asks for it; a parked one
// gives it up.
void requestBatonLocked(ThreadRec* rec);
void releaseBatonLocked(ThreadRec* rec);
void acquireBatonLocked(std::unique_lock<std::mutex>& lock, ThreadRec* rec);
void dropBatonLocked();

// The schedule and the advance (clock_schedule.cpp).
// Earliest moment at which something happens by itself in virtual time: a
// scheduled callback or the deadline of a parked plug-in thread.
std::optional<std::uint64_t> nextEventUsLocked();
// Moves the clock towards `limitUs` (lock held on entry and return). With
// `stopAtOwnTimer`, also stops at the calling thread's earliest timer.
void advanceLocked(std::unique_lock<std::mutex>& lock, std::uint64_t limitUs, bool stopAtOwnTimer);

// Timers (timers.cpp), lock held.
std::optional<std::uint64_t> ownNextTimerDueUsLocked();
void clearTimersLocked();

}  // namespace win32sim::detail
