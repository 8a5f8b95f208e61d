// The baton: in virtual time plug-in threads run one at a time, in the order
// they became runnable, so that replays are identical.
#include <algorithm>

#include "sim_state.h"

namespace win32sim::detail {

namespace {

void grantBatonLocked() {
    SimState& w = simState();
    if (w.baton == nullptr && !w.batonLine.empty()) {
        w.baton = w.batonLine.front();
        w.batonLine.pop_front();
        w.batonCv.notify_all();
    }
}

}  // namespace

void requestBatonLocked(ThreadRec* rec) {
    SimState& w = simState();
    if (!rec || !isVirtual() || w.baton == rec ||
        std::find(w.batonLine.begin(), w.batonLine.end(), rec) != w.batonLine.end()) {
        return;
    }
    w.batonLine.push_back(rec);
    grantBatonLocked();
}

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

}  // namespace win32sim::detail
