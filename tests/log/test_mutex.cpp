// Mutex: its name, mutual exclusion, and the failure lines on the streams.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include "log_test_util.h"
#include "mutex.h"

namespace {

TEST(Mutex, NameCarriesProcessIdAndIsCutTo31Characters) {
    const std::string pid = std::to_string(getpid());
    EXPECT_EQ(std::string(Mutex("Logging").name()), "Logging_" + pid);
    const std::string longName(40, 'n');
    EXPECT_EQ(std::string(Mutex(longName.c_str()).name()), std::string(31, 'n'));
    const std::string name29(29, 'n');
    EXPECT_EQ(std::string(Mutex(name29.c_str()).name()), (name29 + "_" + pid).substr(0, 31));
}

// Scheduler state of a thread of this process ('S' while it sleeps).
char threadState(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

TEST(Mutex, SecondLockerWaitsForUnlock) {
    Mutex mutex("test");
    std::atomic<pid_t> waiterTid{0};
    std::atomic<bool> acquired{false};
    int guarded = 0;  // plain on purpose: a lock that does not exclude races here

    ASSERT_EQ(mutex.lock(), 0);
    std::thread waiter([&] {
        waiterTid = gettid();
        mutex.lock();
        acquired = true;
        EXPECT_EQ(guarded, 1);
        mutex.unlock();
    });
    while (waiterTid == 0) {
        std::this_thread::yield();
    }
    // The waiter sleeps only in the lock; wait until it does (or gets through).
    while (threadState(waiterTid) != 'S' && !acquired) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(acquired);
    guarded = 1;
    EXPECT_EQ(mutex.unlock(), 0);
    waiter.join();
    EXPECT_TRUE(acquired);
}

TEST(Mutex, FailuresAreReportedOnTheStandardStreams) {
    const std::string tid = std::to_string(gettid());
    const std::string error =
        "errno = " + std::to_string(EINVAL) + ", error: " + std::strerror(EINVAL) + "\n";
    StreamCapture out(std::cout);
    StreamCapture err(std::cerr);
    {
        gFailSemInit = EINVAL;
        Mutex mutex("m");
        const std::string name = mutex.name();
        EXPECT_EQ(out.text(), "Mutex::Mutex(): **** Error initializing semaphore by thread " + tid +
                                  "! **** " + error);

        gFailSemWait = EINVAL;
        EXPECT_EQ(mutex.lock(), -1);
        EXPECT_TRUE(out.text().ends_with("Mutex::lock(): **** Error locking semaphore '" + name +
                                         "' by thread " + tid + "! **** " + error));

        gFailSemPost = EINVAL;
        EXPECT_EQ(mutex.unlock(), -1);
        EXPECT_EQ(err.text(), "Mutex::unlock(): **** Error unlocking semaphore '" + name +
                                  "' by thread " + tid + "'! **** " + error);

        gFailSemDestroy = EINVAL;
        const std::string before = out.text();
        EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 2);
    }
    EXPECT_TRUE(out.text().ends_with("Mutex::~Mutex(): Semaphore 'm_" + std::to_string(getpid()) +
                                     "' (OS X ID not available) of thread " + tid +
                                     " could not be destroyed!" + error))
        << out.text();
}

}  // namespace
