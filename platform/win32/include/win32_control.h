// Control side of the window-system stand-in: the one clock of the simulated
// world (virtual or real time), the registry of plug-in threads, the parking
// primitive every blocking stand-in wait is built on, and the host's message
// loop for thread timers. Used by qxsim, the tests and the other stand-ins;
// never by the plug-in.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <string>

namespace win32sim {

// ---- Clock ---------------------------------------------------------------
// Virtual mode (default): time moves only through advanceTo/advanceBy, the
// host thread's Sleep, frame costs and the costs of host calls. Real mode:
// wall-clock time since setClockMode(Real) was called. The Windows build runs
// in real time only: there the plug-in reads the system's own tick counter
// and timers.
enum class ClockMode { Virtual, Real };
void setClockMode(ClockMode mode);
ClockMode clockMode();

// Time since the session began. GetTickCount() is nowMs() truncated to 32 bits.
std::uint64_t nowUs();
std::uint64_t nowMs();

// Cost of a cheap host call: moves virtual time on by `us` without processing
// scheduled callbacks or waiting for other threads (safe while holding any
// lock). No effect in real mode.
void chargeUs(std::uint64_t us);

// Frame cost and host-side waiting: moves virtual time to `ms` step by step,
// running every scheduled callback and waking every parked thread whose
// deadline falls on the way, in time order, and waiting after each until all
// plug-in threads are parked again. Must be called by the host thread (a
// thread not created by the plug-in) and never while holding a lock that a
// plug-in thread may wait for. In real mode it sleeps until the wall clock
// reaches `ms`, running due callbacks on the way.
void advanceTo(std::uint64_t ms);
void advanceBy(std::uint64_t ms);

// A host call during which time catches up: in virtual mode, on the host
// thread and outside a scheduled callback, runs what the charged time has
// made due (as advanceTo(nowMs()) would); else does nothing. So a host
// thread busy with cheap calls, which never advances the clock itself, still
// lets device events and plug-in threads run at their times. Same rules as
// advanceTo about locks.
void deliverDue();

// Runs `cb` on the advancing thread when the clock reaches `ms` (at once at
// the next advance when `ms` is already past), then waits for quiescence.
// Callbacks due at the same time run in the order they were scheduled.
void scheduleAt(std::uint64_t ms, std::function<void()> cb);
std::optional<std::uint64_t> nextScheduledMs();

// Blocks until every registered plug-in thread is parked or has ended.
void waitQuiescent();

// ---- Threads -------------------------------------------------------------
// Threads created by code linked with -Wl,--wrap=pthread_create are
// registered at creation (before they run) and unregistered when their start
// routine returns. The host thread is any thread not so created.
bool isRegisteredThread();
int registeredThreadCount();

// Events made by CreateEventW and not yet closed.
int openEventCount();

// ---- Parking -------------------------------------------------------------
// One lock guards the whole simulated world's shared state (daemon queues,
// events, ...). A registered thread waits with park(); whoever changes state
// that a parked thread may be waiting for calls notifyLocked() while holding
// simLock(), which marks every waiter whose predicate now holds as running
// before it returns, so waitQuiescent() cannot miss the wake-up.
std::mutex& simLock();

// Waits (lock held on entry and on return) until pred() is true or the
// deadline (absolute ms on the clock) has passed. Returns pred()'s value at
// wake-up. pred is evaluated under simLock(). A host thread may park too
// (real-mode waits); it is then not counted for quiescence.
bool park(std::unique_lock<std::mutex>& lock, const std::function<bool()>& pred,
          std::optional<std::uint64_t> deadlineMs = std::nullopt);
void notifyLocked();

// ---- Message loop (thread timers) ------------------------------------------
// Timers armed with SetTimer(NULL, 0, ms, proc) belong to the arming thread
// and are delivered only by that thread's message loop.

// Due time of the earliest timer armed by the calling thread.
std::optional<std::uint64_t> nextTimerDueMs();
// Calls every timer of the calling thread that is due now (in due order,
// each once; a timer armed by a callback is not delivered in the same call).
// Returns how many were delivered.
int dispatchDueTimers();
// What the host does when its loop is idle (no timer due, no scheduled
// callback due): nothing, some work of its own (the loop then looks again for
// what fell due meanwhile before it waits), or end the loop at once.
enum class IdleResult { Idle, Worked, Stop };
using IdleHandler = std::function<IdleResult()>;
// The host's loop: dispatches due timers, delivers scheduled callbacks that
// time charged in between has made due, calls `onIdle` (if any), and advances
// the clock, until the clock reaches `ms` or `onIdle` says stop. The loop
// returns only when idle: once it returns, nothing is due.
void runMessageLoopUntil(std::uint64_t ms, const IdleHandler& onIdle = {});
// True while the calling thread runs a timer procedure (the host is busy).
bool inTimerProcedure();
int armedTimerCount();

// ---- Text ------------------------------------------------------------------
// UTF-8 text of a wide (UTF-16/32 code unit) string, for transcripts; code
// units that are no character become U+FFFD.
std::string wideToUtf8(std::wstring_view text);

// ---- Files -------------------------------------------------------------------
// Handles of CreateFileA, FindFirstFileA and OpenProcess not yet closed.
int openFileHandleCount();

// A kill at a chosen step of a file's replacement (tests, in a child process):
// the process ends with SIGKILL at the start of its nth call, counted from
// this one, of a file function that changes the file system (CreateFileA
// creating a file, WriteFile, FlushFileBuffers, SetEndOfFile, MoveFileExA,
// ReplaceFileA, DeleteFileA). 0 switches it off.
void killAtFileChange(int n);

// ---- Heap -------------------------------------------------------------------
// In a program linked with win32sim_heap (whose operator new and delete are
// the C runtime's malloc and free): the allocation `skip` allocations from
// now on made at `site` throws std::bad_alloc, as when memory has run out.
// Once; a negative `skip` calls it off. Sites: a plug-in thread; the host
// thread (any other), which counts the caller's own allocations too; the
// host thread inside a timer procedure.
enum class AllocationSite { PluginThread, HostThread, TimerProcedure };
void failAllocation(AllocationSite site, int skip = 0);
// True while the allocation to fail has not come yet.
bool isAllocationFailurePending(AllocationSite site);

// Clears clock, timers, schedule and counters for a new session (tests).
// Requires that no plug-in thread is alive. The string table is kept.
void resetSimulation();

// ---- String resources --------------------------------------------------------
// The module's string table read by LoadStringW.
void setString(unsigned int id, const std::wstring& text);
void clearStrings();

}  // namespace win32sim
