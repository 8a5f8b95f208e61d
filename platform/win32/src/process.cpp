// Process and thread identifiers and the tick counter: the OS ids, the clock's
// milliseconds.
#include <sys/types.h>
#include <unistd.h>

#include <windows.h>

#include "win32_control.h"

extern "C" DWORD WINAPI GetCurrentThreadId(void) {
    return static_cast<DWORD>(gettid());
}

extern "C" DWORD WINAPI GetCurrentProcessId(void) {
    return static_cast<DWORD>(getpid());
}

extern "C" DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(win32sim::nowMs());
}
