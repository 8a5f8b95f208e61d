// Mutex: its name and mutual exclusion.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "log_test_util.h"
#include "mutex.h"

namespace {

TEST(Mutex, NameCarriesTheProcessIdAndIsCutTo31Characters) {
    const std::string pid = std::to_string(getpid()), name29(29, 'n');
    EXPECT_EQ(std::string(Mutex("Logging").name()), "Logging_" + pid);
    EXPECT_EQ(std::string(Mutex(name29.c_str()).name()), (name29 + "_" + pid).substr(0, 31));
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
    // The waiter can sleep only in the lock: wait until it does or gets through.
    while (waiterTid == 0 || (threadState(waiterTid) != 'S' && !acquired)) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(acquired);
    guarded = 1;
    EXPECT_EQ(mutex.unlock(), 0);
    waiter.join();
    EXPECT_TRUE(acquired);
}

}  // namespace
