// The clock of the simulated world: virtual or real time, the schedule of
// host-side callbacks, parking of waiting threads and the advance that walks
// virtual time from one due event to the next.
#include <algorithm>
#include <chrono>
#include <iterator>

#include "transcript.h"
#include "sim_state.h"

namespace win32sim {
namespace detail {

namespace {

std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::chrono::steady_clock::time_point realTimePoint(std::uint64_t clockUs) {
    const std::int64_t ns =
        simState().realBaseNs.load() + static_cast<std::int64_t>(clockUs) * 1000;
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}

// Virtual time only moves forward, also when chargeUs() races with an advance.
void raiseVirtualTo(std::uint64_t us) {
    auto& now = simState().virtualUs;
    std::uint64_t seen = now.load();
    while (seen < us && !now.compare_exchange_weak(seen, us)) {
    }
}

// Earliest moment at which something happens by itself in virtual time: a
// scheduled callback or the deadline of a parked plug-in thread.
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

void runFirstScheduledLocked(std::unique_lock<std::mutex>& lock) {
    SimState& w = simState();
    auto first = w.schedule.begin();
    std::function<void()> cb = std::move(first->second);
    w.schedule.erase(first);
    lock.unlock();
    cb();
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

// A host thread waiting in virtual time: nobody else moves the clock for it,
// so once every plug-in thread is parked it walks time to the next event
// (never past its own deadline) until its condition holds.
bool parkHostVirtual(std::unique_lock<std::mutex>& lock, const std::function<bool()>& pred,
                     std::optional<std::uint64_t> deadlineUs) {
    SimState& w = simState();
    for (;;) {
        if (pred()) {
            return true;
        }
        const std::uint64_t now = w.virtualUs.load();
        if (deadlineUs && now >= *deadlineUs) {
            return false;
        }
        if (!quiescentLocked() || !isVirtual()) {
            w.hostCv.wait(lock);
            continue;
        }
        auto next = nextEventUsLocked();
        if (deadlineUs) {
            next = next ? std::min(*next, *deadlineUs) : *deadlineUs;
        }
        if (!next) {
            // Nothing happens by itself: only another thread can help.
            w.hostCv.wait(lock);
            continue;
        }
        advanceVirtualLocked(lock, std::max(*next, now), false);
    }
}

}  // namespace

SimState& simState() {
    // Never destroyed: plug-in threads and static destructors of other
    // libraries may still reach it while the process ends.
    static SimState* theState = new SimState;
    return *theState;
}

bool isVirtual() {
    return simState().mode.load() == static_cast<int>(ClockMode::Virtual);
}

std::uint64_t realNowUs() {
    const std::int64_t ns = steadyNs() - simState().realBaseNs.load();
    return ns > 0 ? static_cast<std::uint64_t>(ns) / 1000 : 0;
}

bool quiescentLocked() {
    const SimState& w = simState();
    const ThreadRec* self = currentThread();
    const int own = (self && self->running) ? 1 : 0;
    return w.running - own == 0;
}

void waitQuiescentLocked(std::unique_lock<std::mutex>& lock) {
    simState().hostCv.wait(lock, [] { return quiescentLocked(); });
}

namespace {

void grantBatonLocked() {
    SimState& w = simState();
    if (w.baton == nullptr && !w.batonLine.empty()) {
        w.baton = w.batonLine.front();
        w.batonLine.pop_front();
        w.batonCv.notify_all();
    }
}

void requestBatonLocked(ThreadRec* rec) {
    SimState& w = simState();
    if (!rec || !isVirtual() || w.baton == rec ||
        std::find(w.batonLine.begin(), w.batonLine.end(), rec) != w.batonLine.end()) {
        return;
    }
    w.batonLine.push_back(rec);
    grantBatonLocked();
}

}  // namespace

void releaseBatonLocked(ThreadRec* rec) {
    SimState& w = simState();
    if (!rec) {
        return;
    }
    if (w.baton == rec) {
        w.baton = nullptr;
        grantBatonLocked();
    } else {
        w.batonLine.erase(std::remove(w.batonLine.begin(), w.batonLine.end(), rec),
                          w.batonLine.end());
    }
}

void acquireBatonLocked(std::unique_lock<std::mutex>& lock, ThreadRec* rec) {
    if (!rec || !isVirtual()) {
        return;
    }
    requestBatonLocked(rec);
    SimState& w = simState();
    w.batonCv.wait(lock, [&] { return w.baton == rec || !isVirtual(); });
}

// Real time has no baton; threads waiting in line go on at once.
void dropBatonLocked() {
    SimState& w = simState();
    w.baton = nullptr;
    w.batonLine.clear();
    w.batonCv.notify_all();
}

void markParkedLocked(ThreadRec* rec) {
    if (rec && rec->running) {
        rec->running = false;
        --simState().running;
        releaseBatonLocked(rec);
        simState().hostCv.notify_all();
    }
}

void markRunningLocked(ThreadRec* rec) {
    if (rec && !rec->running) {
        rec->running = true;
        ++simState().running;
        requestBatonLocked(rec);
    }
}

void advanceLocked(std::unique_lock<std::mutex>& lock, std::uint64_t limitUs, bool stopAtOwnTimer) {
    if (isVirtual()) {
        advanceVirtualLocked(lock, limitUs, stopAtOwnTimer);
    } else {
        advanceRealLocked(lock, limitUs, stopAtOwnTimer);
    }
}

}  // namespace detail

using namespace detail;

void setClockMode(ClockMode mode) {
#ifdef _WIN32
    // The plug-in reads the system's tick counter and timers on Windows, so
    // the clock can only follow the wall clock there.
    mode = ClockMode::Real;
#endif
    SimState& w = simState();
    std::lock_guard<std::mutex> guard(w.lock);
    if (clockMode() == mode) {
        return;
    }
    // The clock reading carries over, so time never runs backwards.
    if (mode == ClockMode::Real) {
        w.realBaseNs.store(steadyNs() - static_cast<std::int64_t>(w.virtualUs.load()) * 1000);
    } else {
        w.virtualUs.store(realNowUs());
    }
    w.mode.store(static_cast<int>(mode));
    if (mode == ClockMode::Real) {
        dropBatonLocked();
    }
    // Parked threads re-arm their waits for the new kind of time.
    for (Waiter* waiter : w.waiters) {
        waiter->cv.notify_one();
    }
    w.hostCv.notify_all();
}

ClockMode clockMode() {
    return static_cast<ClockMode>(simState().mode.load());
}

std::uint64_t nowUs() {
    return isVirtual() ? simState().virtualUs.load() : realNowUs();
}

std::uint64_t nowMs() {
    return nowUs() / 1000;
}

void chargeUs(std::uint64_t us) {
    if (isVirtual()) {
        simState().virtualUs.fetch_add(us);
    }
}

void advanceTo(std::uint64_t ms) {
    std::unique_lock<std::mutex> lock(simState().lock);
    advanceLocked(lock, ms * 1000, false);
}

void advanceBy(std::uint64_t ms) {
    std::unique_lock<std::mutex> lock(simState().lock);
    advanceLocked(lock, nowUs() + ms * 1000, false);
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

void waitQuiescent() {
    std::unique_lock<std::mutex> lock(simState().lock);
    waitQuiescentLocked(lock);
}

std::mutex& simLock() {
    return simState().lock;
}

bool park(std::unique_lock<std::mutex>& lock, const std::function<bool()>& pred,
          std::optional<std::uint64_t> deadlineMs) {
    std::optional<std::uint64_t> deadlineUs;
    if (deadlineMs) {
        deadlineUs = *deadlineMs * 1000;
    }
    return parkUntilUs(lock, pred, deadlineUs);
}

bool detail::parkUntilUs(std::unique_lock<std::mutex>& lock, const std::function<bool()>& pred,
                         std::optional<std::uint64_t> deadlineUs) {
    SimState& w = simState();
    ThreadRec* self = currentThread();
    if (!self && isVirtual()) {
        return parkHostVirtual(lock, pred, deadlineUs);
    }
    Waiter me;
    me.pred = &pred;
    me.deadlineUs = deadlineUs;
    me.self = self;
    w.waiters.push_back(&me);
    const auto mine = std::prev(w.waiters.end());
    markParkedLocked(self);
    bool result = false;
    for (;;) {
        result = pred();
        if (result || (deadlineUs && nowUs() >= *deadlineUs)) {
            break;
        }
        if (me.woken) {
            // Woken for a condition another thread has taken again: park anew.
            me.woken = false;
            markParkedLocked(self);
        }
        if (deadlineUs && !isVirtual()) {
            me.cv.wait_until(lock, realTimePoint(*deadlineUs));
        } else {
            // Virtual deadlines are served by the advancing host thread.
            me.cv.wait(lock);
        }
    }
    w.waiters.erase(mine);
    // A waker has already counted us running; a thread that woke by itself
    // (real deadline, clock mode change) counts itself.
    markRunningLocked(self);
    acquireBatonLocked(lock, self);
    // Another thread may have taken the condition while this one waited in
    // line for the baton (an auto-reset event, say): wait again.
    if (result && !pred() && !(deadlineUs && nowUs() >= *deadlineUs)) {
        return parkUntilUs(lock, pred, deadlineUs);
    }
    return result;
}

void notifyLocked() {
    SimState& w = simState();
    for (Waiter* waiter : w.waiters) {
        if (!waiter->woken && (*waiter->pred)()) {
            waiter->woken = true;
            markRunningLocked(waiter->self);
            waiter->cv.notify_one();
        }
    }
    w.hostCv.notify_all();
}

void resetSimulation() {
    SimState& w = simState();
    std::lock_guard<std::mutex> guard(w.lock);
    w.schedule.clear();
    w.scheduleSeq = 0;
    clearTimersLocked();
    w.mode.store(static_cast<int>(ClockMode::Virtual));
    w.virtualUs.store(0);
    w.realBaseNs.store(0);
    w.hostCv.notify_all();
}

}  // namespace win32sim

namespace {
// The transcript stamps its lines with this clock from the moment the
// library is loaded.
const bool kTranscriptClockInstalled = (transcript::setClock(&win32sim::nowMs), true);
}  // namespace
