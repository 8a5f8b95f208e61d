// Mutex: its name. Mutual exclusion is checked through the log's entry lock
// (logging_test.cpp: an open entry holds off other threads).
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "mutex.h"

namespace {

TEST(Mutex, MakingLockingUnlockingAndDestroyingSayNothing) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
        Mutex mutex("quiet");
        EXPECT_EQ(mutex.lock(), 0);
        EXPECT_EQ(mutex.unlock(), 0);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Mutex, NameCarriesTheProcessIdAndIsCutTo31Characters) {
    const std::string pid = std::to_string(getpid()), name29(29, 'n');
    EXPECT_EQ(std::string(Mutex("Logging").name()), "Logging_" + pid);
    EXPECT_EQ(std::string(Mutex(name29.c_str()).name()), (name29 + "_" + pid).substr(0, 31));
}

}  // namespace
