// The control side of the clock on Windows, where the real window system owns
// thread timers and the message queue: the host's message loop pumps real
// messages, and the clock's own timer table stays empty. Only real time is
// meaningful here (the plug-in reads the system's tick counter).
#include <windows.h>

#include <algorithm>
#include <string>

#include "sim_state.h"

namespace win32sim {

namespace {
thread_local bool tInTimerProcedure = false;
}  // namespace

namespace detail {

// Real timers are not on this clock: nothing to stop at, nothing to clear.
std::optional<std::uint64_t> ownNextTimerDueUsLocked() {
    return std::nullopt;
}

void clearTimersLocked() {}

}  // namespace detail

std::optional<std::uint64_t> nextTimerDueMs() {
    return std::nullopt;
}

// Dispatches every message already queued for the calling thread; the timer
// messages among them are counted.
int dispatchDueTimers() {
    int delivered = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_TIMER) {
            ++delivered;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return delivered;
}

// Pumps the calling thread's messages and runs scheduled callbacks as they
// fall due, until the clock reaches `ms` or `onIdle` says stop.
void runMessageLoopUntil(std::uint64_t ms, const IdleHandler& onIdle) {
    for (;;) {
        tInTimerProcedure = true;  // real timer messages are among those dispatched
        dispatchDueTimers();
        tInTimerProcedure = false;
        IdleResult idle = IdleResult::Idle;
        do {
            advanceBy(0);  // scheduled callbacks that are due now
            idle = onIdle ? onIdle() : IdleResult::Idle;
        } while (idle == IdleResult::Worked);
        const std::uint64_t now = nowMs();
        if (idle == IdleResult::Stop || now >= ms) {
            break;
        }
        std::uint64_t wake = ms;
        if (const auto next = nextScheduledMs()) {
            wake = std::min(wake, std::max(*next, now));
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wake - now), QS_ALLINPUT);
    }
}

bool inTimerProcedure() {
    return tInTimerProcedure;
}

std::string wideToUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(needed, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

}  // namespace win32sim
