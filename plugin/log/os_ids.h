// Operating-system ids of the calling thread and process, for log lines and
// lock messages. Any thread.
#pragma once

#include <windows.h>

inline INT64 currentThreadId() {
    return static_cast<INT64>(GetCurrentThreadId());
}
inline INT64 currentProcessId() {
    return static_cast<INT64>(GetCurrentProcessId());
}
