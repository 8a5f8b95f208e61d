// A 32-bit value that two threads share: every read and write goes through
// the platform's interlocked functions, so each sees the other's latest
// value. A flag is stored as 0 or 1. Any thread.
#pragma once

#include <windows.h>

class InterlockedValue {
public:
    explicit InterlockedValue(LONG value) : mValue(value) {}

    LONG get() const { return InterlockedCompareExchange(&mValue, 0, 0); }
    void set(LONG value) { InterlockedExchange(&mValue, value); }
    // Stores value and returns the one it replaced.
    LONG exchange(LONG value) { return InterlockedExchange(&mValue, value); }
    // Stores desired only while the value is still `expected`; true when it did.
    bool compareExchange(LONG expected, LONG desired) {
        return InterlockedCompareExchange(&mValue, desired, expected) == expected;
    }

    operator LONG() const { return get(); }
    InterlockedValue& operator=(LONG value) {
        set(value);
        return *this;
    }

private:
    InterlockedValue(const InterlockedValue&);
    InterlockedValue& operator=(const InterlockedValue&);

    mutable volatile LONG mValue;
};
