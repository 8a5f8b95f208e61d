// The clock of the simulated world: virtual or real time, its reading, the
// switch between the two kinds of time and the reset of a new session. The
// schedule and the advance are in clock_schedule.cpp, parking in
// parking.cpp, the baton in baton.cpp.
#include <chrono>

#include "sim_state.h"
#include "transcript.h"

namespace win32sim {
namespace detail {

namespace {

std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::chrono::steady_clock::time_point realTimePoint(std::uint64_t clockUs) {
    const std::int64_t ns =
        simState().realBaseNs.load() + static_cast<std::int64_t>(clockUs) * 1000;
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns));
}

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

std::mutex& simLock() {
    return simState().lock;
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
