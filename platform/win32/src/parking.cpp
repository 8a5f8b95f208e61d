// Parking: threads waiting in a stand-in wait (Sleep, events, the daemon's
// read) leave the count of running plug-in threads, so that the clock knows
// when every plug-in thread is parked (quiescence) and may move on.
#include <algorithm>
#include <iterator>

#include "sim_state.h"

namespace win32sim {
namespace detail {

namespace {

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
        advanceLocked(lock, std::max(*next, now), false);
    }
}

}  // namespace

bool quiescentLocked() {
    const SimState& w = simState();
    const ThreadRec* self = currentThread();
    const int own = (self && self->running) ? 1 : 0;
    return w.running - own == 0;
}

void waitQuiescentLocked(std::unique_lock<std::mutex>& lock) {
    simState().hostCv.wait(lock, [] { return quiescentLocked(); });
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

}  // namespace detail

using namespace detail;

void waitQuiescent() {
    std::unique_lock<std::mutex> lock(simState().lock);
    waitQuiescentLocked(lock);
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

}  // namespace win32sim
