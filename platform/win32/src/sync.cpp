// Sleep and event objects. Every wait parks on the clock, so a plug-in thread
// that sleeps or waits for an event counts as idle and is woken at its
// deadline or at once by SetEvent.
#include <set>

#include <windows.h>

#include "files.h"
#include "transcript.h"
#include "sim_state.h"

namespace {

constexpr std::uint32_t kEventMagic = 0x45564e54;  // "EVNT"

struct EventObject {
    std::uint32_t magic = kEventMagic;
    bool manualReset = false;
    bool signaled = false;
};

// Live events, guarded by simLock(); a handle is checked here before use.
std::set<EventObject*>& liveEvents() {
    static auto* events = new std::set<EventObject*>;
    return *events;
}

EventObject* findEventLocked(HANDLE handle) {
    auto* event = static_cast<EventObject*>(handle);
    return liveEvents().count(event) != 0 ? event : nullptr;
}

// A wait of `ms` lasts at least `ms`, also when the clock stands between
// two whole milliseconds.
std::optional<std::uint64_t> deadlineUsAfter(DWORD ms) {
    if (ms == INFINITE) {
        return std::nullopt;
    }
    return win32sim::nowUs() + static_cast<std::uint64_t>(ms) * 1000;
}

const std::function<bool()> kNever = [] { return false; };

// Sets or clears an event; a set event wakes the threads waiting for it.
BOOL setEventState(HANDLE hEvent, bool signaled) {
    std::lock_guard<std::mutex> guard(win32sim::simLock());
    EventObject* event = findEventLocked(hEvent);
    if (!event) {
        return FALSE;
    }
    event->signaled = signaled;
    if (signaled) {
        win32sim::notifyLocked();
    }
    return TRUE;
}

}  // namespace

extern "C" void WINAPI Sleep(DWORD dwMilliseconds) {
    if (win32sim::isRegisteredThread()) {
        std::unique_lock<std::mutex> lock(win32sim::simLock());
        win32sim::detail::parkUntilUs(lock, kNever, deadlineUsAfter(dwMilliseconds));
        return;
    }
    transcript::emit("sleep", transcript::Fields().uinteger("ms", dwMilliseconds));
    win32sim::advanceBy(dwMilliseconds);
}

extern "C" HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                                      LPCWSTR) {
    auto* event = new EventObject;
    event->manualReset = bManualReset != FALSE;
    event->signaled = bInitialState != FALSE;
    std::lock_guard<std::mutex> guard(win32sim::simLock());
    liveEvents().insert(event);
    return event;
}

extern "C" BOOL WINAPI SetEvent(HANDLE hEvent) {
    return setEventState(hEvent, true);
}

extern "C" BOOL WINAPI ResetEvent(HANDLE hEvent) {
    return setEventState(hEvent, false);
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    std::unique_lock<std::mutex> lock(win32sim::simLock());
    EventObject* event = findEventLocked(hHandle);
    if (!event) {
        return WAIT_FAILED;
    }
    const std::function<bool()> isSignaled = [event] { return event->signaled; };
    const bool signaled =
        event->signaled ||
        (dwMilliseconds != 0 &&
         win32sim::detail::parkUntilUs(lock, isSignaled, deadlineUsAfter(dwMilliseconds)));
    if (!signaled) {
        return WAIT_TIMEOUT;
    }
    if (!event->manualReset) {
        event->signaled = false;  // an auto-reset event releases one waiter
    }
    return WAIT_OBJECT_0;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (win32sim::detail::closeFileHandle(hObject)) {
        return TRUE;
    }
    std::lock_guard<std::mutex> guard(win32sim::simLock());
    EventObject* event = findEventLocked(hObject);
    if (!event) {
        return FALSE;
    }
    liveEvents().erase(event);
    delete event;
    return TRUE;
}

int win32sim::openEventCount() {
    std::lock_guard<std::mutex> guard(win32sim::simLock());
    return static_cast<int>(liveEvents().size());
}
