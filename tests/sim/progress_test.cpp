// The progress line: its text, and that it shows only on a terminal.

#include <gtest/gtest.h>

#include <cstdio>

#include "progress.h"

namespace qxsim {
namespace {

TEST(ProgressText, NarrowOrWithoutTotal) {
    EXPECT_EQ(formatProgress(1250, 60000, 30), "qxsim: 1.2 s / 60.0 s  2%");
    EXPECT_EQ(formatProgress(12345, 0, 79), "qxsim: 12.3 s");
    EXPECT_EQ(formatProgress(12345, 60000, 5), "qxsim");
}

TEST(ProgressDisplay, SilentUnlessTheStreamIsATerminal) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        ProgressDisplay display(file, 1000);
        EXPECT_FALSE(display.active());
        display.update(500);
    }
    EXPECT_EQ(std::ftell(file), 0L);
    std::fclose(file);
}

}  // namespace
}  // namespace qxsim
