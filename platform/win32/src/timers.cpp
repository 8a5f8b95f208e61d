// Thread timers without a window (SetTimer/KillTimer) and the host's message
// loop that delivers them. A timer belongs to the thread that armed it and is
// periodic, as on Windows, until killed.
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include <windows.h>

#include "transcript.h"
#include "sim_state.h"

namespace win32sim {
namespace detail {

namespace {

struct Timer {
    std::uint64_t owner = 0;
    std::uint64_t dueUs = 0;
    std::uint64_t intervalUs = 0;
    std::uint64_t armSeq = 0;
    TIMERPROC proc = nullptr;
};

// Guarded by simLock().
struct TimerTable {
    std::map<UINT_PTR, Timer> timers;
    UINT_PTR nextId = 1;
    std::uint64_t armSeq = 0;
};

TimerTable& table() {
    static TimerTable* theTable = new TimerTable;
    return *theTable;
}

// Timer procedures running on this thread.
thread_local int tTimerProcedures = 0;

// Identity of the calling thread for timer ownership; never reused.
std::uint64_t ownerKey() {
    static std::atomic<std::uint64_t> lastKey{0};
    thread_local std::uint64_t key = 0;
    if (key == 0) {
        key = ++lastKey;
    }
    return key;
}

UINT_PTR newIdLocked() {
    TimerTable& t = table();
    UINT_PTR id = 0;
    while (id == 0 || t.timers.count(id) != 0) {
        id = t.nextId++;
    }
    return id;
}

}  // namespace

std::optional<std::uint64_t> ownNextTimerDueUsLocked() {
    const std::uint64_t me = ownerKey();
    std::optional<std::uint64_t> next;
    for (const auto& [id, timer] : table().timers) {
        if (timer.owner == me && (!next || timer.dueUs < *next)) {
            next = timer.dueUs;
        }
    }
    return next;
}

void clearTimersLocked() {
    TimerTable& t = table();
    t.timers.clear();
    t.nextId = 1;
    t.armSeq = 0;
}

}  // namespace detail

using namespace detail;

std::optional<std::uint64_t> nextTimerDueMs() {
    std::lock_guard<std::mutex> guard(simLock());
    const auto due = ownNextTimerDueUsLocked();
    if (!due) {
        return std::nullopt;
    }
    return (*due + 999) / 1000;  // the first whole ms at which it is due
}

int dispatchDueTimers() {
    std::unique_lock<std::mutex> lock(simLock());
    const std::uint64_t me = ownerKey();
    const std::uint64_t now = nowUs();
    std::vector<std::tuple<std::uint64_t, std::uint64_t, UINT_PTR>> due;
    for (const auto& [id, timer] : table().timers) {
        if (timer.owner == me && timer.dueUs <= now) {
            due.emplace_back(timer.dueUs, timer.armSeq, id);
        }
    }
    std::sort(due.begin(), due.end());
    int delivered = 0;
    for (const auto& [dueUs, seq, id] : due) {
        auto it = table().timers.find(id);
        // An earlier procedure may have killed or re-armed it.
        if (it == table().timers.end() || it->second.armSeq != seq || it->second.proc == nullptr) {
            continue;
        }
        const TIMERPROC proc = it->second.proc;
        it->second.dueUs = nowUs() + it->second.intervalUs;
        lock.unlock();
        ++tTimerProcedures;
        proc(nullptr, WM_TIMER, id, GetTickCount());
        --tTimerProcedures;
        ++delivered;
        lock.lock();
    }
    return delivered;
}

void runMessageLoopUntil(std::uint64_t ms, const IdleHandler& onIdle) {
    const std::uint64_t endUs = ms * 1000;
    for (;;) {
        dispatchDueTimers();
        IdleResult idle = IdleResult::Idle;
        do {
            deliverDue();
            idle = onIdle ? onIdle() : IdleResult::Idle;
        } while (idle == IdleResult::Worked);
        if (idle == IdleResult::Stop || nowUs() >= endUs) {
            break;
        }
        std::unique_lock<std::mutex> lock(simLock());
        advanceLocked(lock, endUs, true);
    }
}

bool inTimerProcedure() {
    return tTimerProcedures > 0;
}

int armedTimerCount() {
    std::lock_guard<std::mutex> guard(simLock());
    return static_cast<int>(table().timers.size());
}

}  // namespace win32sim

extern "C" UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse,
                                    TIMERPROC lpTimerFunc) {
    using namespace win32sim::detail;
    if (hWnd != nullptr) {
        return 0;  // window timers are not part of the stand-in
    }
    const UINT elapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    UINT_PTR id = 0;
    {
        std::lock_guard<std::mutex> guard(win32sim::simLock());
        TimerTable& t = table();
        const std::uint64_t me = ownerKey();
        auto existing = t.timers.find(nIDEvent);
        if (nIDEvent != 0 && existing != t.timers.end() && existing->second.owner == me) {
            id = nIDEvent;  // re-arms that timer
        } else {
            id = newIdLocked();
        }
        Timer& timer = t.timers[id];
        timer.owner = me;
        timer.intervalUs = static_cast<std::uint64_t>(elapse) * 1000;
        timer.dueUs = win32sim::nowUs() + timer.intervalUs;
        timer.armSeq = ++t.armSeq;
        timer.proc = lpTimerFunc;
    }
    transcript::emit("timer", transcript::Fields().uinteger("ms", uElapse));
    return id;
}

extern "C" BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    using namespace win32sim::detail;
    if (hWnd != nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(win32sim::simLock());
    return table().timers.erase(uIDEvent) != 0 ? TRUE : FALSE;
}
