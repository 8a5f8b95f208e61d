// Named, non-recursive lock on an unnamed POSIX semaphore (count 1, private
// to the process). Reports its own failures on the standard streams, since
// the log depends on it. Any thread.
#pragma once

#include <semaphore.h>

#include <windows.h>

class Mutex {
public:
    // The name identifies the lock in error messages: name + "_" + process
    // id, cut to 31 characters.
    explicit Mutex(const char* name);
    ~Mutex();

    // Waits until the lock is free and takes it; 0 or the failing call's result.
    INT32 lock();
    // Releases the lock, waking one waiter; 0 or the failing call's result.
    INT32 unlock();

    const char* name() const { return mName; }

private:
    Mutex(const Mutex&);
    Mutex& operator=(const Mutex&);

    static const int kNameSize = 32;
    sem_t mSemaphore;
    char mName[kNameSize];
};

// Holds a Mutex for the length of a scope.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : mMutex(mutex) { mMutex.lock(); }
    ~MutexLock() { mMutex.unlock(); }

private:
    MutexLock(const MutexLock&);
    MutexLock& operator=(const MutexLock&);

    Mutex& mMutex;
};
