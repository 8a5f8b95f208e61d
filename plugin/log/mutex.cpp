// Mutex on an unnamed POSIX semaphore; failures go to the standard streams
// because the log itself is serialised by this lock.
#include "mutex.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "log_time.h"
#include "os_ids.h"

namespace {

// "errno = N, error: text" for the error number of the failed call.
std::string errnoText(int err) {
    return "errno = " + decimalText(err) + ", error: " + std::strerror(err);
}

}  // namespace

Mutex::Mutex(const char* name) {
    std::string full =
        std::string(name != NULL ? name : "") + "_" + decimalText(currentProcessId());
    std::size_t len = full.copy(mName, kNameSize - 1);
    mName[len] = '\0';

    if (sem_init(&mSemaphore, 0, 1) != 0) {
        int err = errno;
        std::cout << "Mutex::Mutex(): **** Error initializing semaphore by thread "
                  << currentThreadId() << "! **** " << errnoText(err) << std::endl;
    }
}

Mutex::~Mutex() {
    if (sem_destroy(&mSemaphore) != 0) {
        int err = errno;
        std::cout << "Mutex::~Mutex(): Semaphore '" << mName << "' ("
                  << "OS X ID not available"
                  << ") of thread " << currentThreadId() << " could not be "
                  << "destroyed"
                  << "!" << errnoText(err) << std::endl;
    }
}

INT32 Mutex::lock() {
    int result;
    // A signal handler interrupting the wait is no failure: wait again, or
    // the caller would go on without holding the lock.
    do {
        result = sem_wait(&mSemaphore);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        int err = errno;
        std::cout << "Mutex::lock(): **** Error locking semaphore '" << mName << "' by thread "
                  << currentThreadId() << "! **** " << errnoText(err) << std::endl;
    }
    return result;
}

INT32 Mutex::unlock() {
    int result = sem_post(&mSemaphore);
    if (result != 0) {
        int err = errno;
        std::cerr << "Mutex::unlock(): **** Error unlocking semaphore '" << mName << "' by thread "
                  << currentThreadId() << "'! **** " << errnoText(err) << std::endl;
    }
    return result;
}
