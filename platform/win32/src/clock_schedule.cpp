// The schedule of host-side callbacks and the advance that walks the clock
// from one due event to the next: scheduled callbacks and the deadlines of
// parked plug-in threads in virtual time, the wall clock in real time.
#include <algorithm>

#include "sim_state.h"

namespace win32sim {
namespace detail {

namespace {

// Virtual time only moves forward, also when chargeUs() races with an advance.
void raiseVirtualTo(std::uint64_t us) {
    auto& now = simState().virtualUs;
    std::uint64_t seen = now.load();
    while (seen < us && !now.compare_exchange_weak(seen, us)) {
    }
}

}  // namespace

std::optional<std::uint64_t> nextEventUsLocked() {
    SimState& w = simState();
    std::optional<std::uint64_t> next;
    if (!w.schedule.empty()) {
        next = w.schedule.begin()->first.first;
    }
    for (const Waiter* waiter : w.waiters) {
        if (waiter->self && !waiter->woken && waiter->deadlineUs &&
            (!next || *waiter->deadlineUs < *next)) {
            next = waiter->deadlineUs;
        }
    }
    return next;
}

namespace {

// Wakes every parked plug-in thread whose deadline has come. Returns whether
// any was woken.
bool wakeDueSleepersLocked(std::uint64_t nowUs) {
    bool woke = false;
    for (Waiter* waiter : simState().waiters) {
        if (waiter->self && !waiter->woken && waiter->deadlineUs && *waiter->deadlineUs <= nowUs) {
            waiter->woken = true;
            markRunningLocked(waiter->self);
            waiter->cv.notify_one();
            woke = true;
        }
    }
    return woke;
}

// Scheduled callbacks running on this thread: deliverDue() leaves the
// schedule alone inside one.
thread_local int tCallbacksRunning = 0;

struct CallbackScope {
    CallbackScope() { ++tCallbacksRunning; }
    ~CallbackScope() { --tCallbacksRunning; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;
};

void runFirstScheduledLocked(std::unique_lock<std::mutex>& lock) {
    SimState& w = simState();
    auto first = w.schedule.begin();
    std::function<void()> cb = std::move(first->second);
    w.schedule.erase(first);
    lock.unlock();
    {
        const CallbackScope scope;
        cb();
    }
    lock.lock();
}

std::uint64_t limitWithOwnTimer(std::uint64_t limitUs, bool stopAtOwnTimer) {
    if (stopAtOwnTimer) {
        if (auto due = ownNextTimerDueUsLocked()) {
            return std::min(limitUs, *due);
        }
    }
    return limitUs;
}

void advanceVirtualLocked(std::unique_lock<std::mutex>& lock, std::uint64_t limitUs,
                          bool stopAtOwnTimer) {
    SimState& w = simState();
    waitQuiescentLocked(lock);
    for (;;) {
        const std::uint64_t limit = limitWithOwnTimer(limitUs, stopAtOwnTimer);
        const std::uint64_t now = w.virtualUs.load();
        const auto next = nextEventUsLocked();
        // Overdue events (time charged past them) are handled too.
        if (!next || *next > std::max(limit, now)) {
            break;
        }
        raiseVirtualTo(*next);
        w.hostCv.notify_all();
        // Sleepers first: what a thread does at a given time happens before
        // the scenario's next step at that time.
        if (!wakeDueSleepersLocked(w.virtualUs.load())) {
            runFirstScheduledLocked(lock);
        }
        waitQuiescentLocked(lock);
    }
    raiseVirtualTo(limitWithOwnTimer(limitUs, stopAtOwnTimer));
    w.hostCv.notify_all();
}

void advanceRealLocked(std::unique_lock<std::mutex>& lock, std::uint64_t limitUs,
                       bool stopAtOwnTimer) {
    SimState& w = simState();
    for (;;) {
        const std::uint64_t limit = limitWithOwnTimer(limitUs, stopAtOwnTimer);
        const std::uint64_t now = realNowUs();
        if (!w.schedule.empty() && w.schedule.begin()->first.first <= now) {
            runFirstScheduledLocked(lock);
            continue;
        }
        if (now >= limit) {
            break;
        }
        std::uint64_t wakeUs = limit;
        if (!w.schedule.empty()) {
            wakeUs = std::min(wakeUs, w.schedule.begin()->first.first);
        }
        // Woken early by scheduleAt() and notifyLocked(); loops re-check.
        w.hostCv.wait_until(lock, realTimePoint(wakeUs));
    }
}

}  // namespace

void advanceLocked(std::unique_lock<std::mutex>& lock, std::uint64_t limitUs, bool stopAtOwnTimer) {
    if (isVirtual()) {
        advanceVirtualLocked(lock, limitUs, stopAtOwnTimer);
    } else {
        advanceRealLocked(lock, limitUs, stopAtOwnTimer);
    }
}

}  // namespace detail

using namespace detail;

void advanceTo(std::uint64_t ms) {
    std::unique_lock<std::mutex> lock(simState().lock);
    advanceLocked(lock, ms * 1000, false);
}

void advanceBy(std::uint64_t ms) {
    std::unique_lock<std::mutex> lock(simState().lock);
    advanceLocked(lock, nowUs() + ms * 1000, false);
}

void deliverDue() {
    if (!isVirtual() || currentThread() != nullptr || tCallbacksRunning > 0) {
        return;
    }
    std::unique_lock<std::mutex> lock(simState().lock);
    const std::uint64_t now = simState().virtualUs.load();
    const auto next = nextEventUsLocked();
    if (next && *next <= now) {
        advanceLocked(lock, now, false);
    }
}

void scheduleAt(std::uint64_t ms, std::function<void()> cb) {
    SimState& w = simState();
    std::lock_guard<std::mutex> guard(w.lock);
    w.schedule.emplace(std::make_pair(ms * 1000, w.scheduleSeq++), std::move(cb));
    w.hostCv.notify_all();
}

std::optional<std::uint64_t> nextScheduledMs() {
    SimState& w = simState();
    std::lock_guard<std::mutex> guard(w.lock);
    if (w.schedule.empty()) {
        return std::nullopt;
    }
    return w.schedule.begin()->first.first / 1000;
}

}  // namespace win32sim
