// Process and thread identifiers and the tick counter: the OS ids, the clock's
// milliseconds.
#include <sys/types.h>
#include <unistd.h>

#include <windows.h>

#include "win32_control.h"

// Cached per thread: a thread's id never changes, and on Windows the call
// costs no more than a read of the thread's own block.
extern "C" DWORD WINAPI GetCurrentThreadId(void) {
    static thread_local const DWORD tid = static_cast<DWORD>(gettid());
    return tid;
}

extern "C" DWORD WINAPI GetCurrentProcessId(void) {
    return static_cast<DWORD>(getpid());
}

extern "C" DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(win32sim::nowMs());
}
