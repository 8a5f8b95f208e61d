// Named, non-recursive lock on an unnamed POSIX semaphore (count 1, private
// to the process). Reports its own failures on the standard streams, since
// the log depends on it. Any thread.
#pragma once

#include <semaphore.h>

#include <cstdint>

class Mutex {
public:
    // The name identifies the lock in error messages: name + "_" + process
    // id, cut to 31 characters.
    explicit Mutex(const char* name);
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Waits until the lock is free and takes it; 0 or the failing call's result.
    int32_t lock();
    // Releases the lock, waking one waiter; 0 or the failing call's result.
    int32_t unlock();

    const char* name() const { return mName; }

private:
    static constexpr int kNameSize = 32;
    sem_t mSemaphore;
    char mName[kNameSize];
};
