// Operating-system ids of the calling thread and process, for log lines and
// lock messages. Any thread.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>

inline int64_t currentThreadId() {
    return static_cast<int64_t>(GetCurrentThreadId());
}
inline int64_t currentProcessId() {
    return static_cast<int64_t>(GetCurrentProcessId());
}
#else
#include <sys/types.h>
#include <unistd.h>

// Cached per thread: a log line asks for it each time, and a thread's id
// never changes.
inline int64_t currentThreadId() {
    static thread_local const int64_t tid = static_cast<int64_t>(gettid());
    return tid;
}
inline int64_t currentProcessId() {
    return static_cast<int64_t>(getpid());
}
#endif
