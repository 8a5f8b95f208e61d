// The progress line: its text, and that it shows only on a terminal.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "progress.h"

namespace qxsim {
namespace {

std::size_t count(const std::string& text, char c) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

TEST(ProgressText, BarAndNumbersFillTheWidth) {
    const std::string start = formatProgress(0, 60000, 79);
    EXPECT_EQ(start.size(), 79u);
    EXPECT_EQ(start.rfind("qxsim: [", 0), 0u) << start;
    EXPECT_NE(start.find("]  0.0 s / 60.0 s  0%"), std::string::npos) << start;
    EXPECT_EQ(count(start, '#'), 0u);

    const std::string half = formatProgress(30000, 60000, 79);
    EXPECT_EQ(half.size(), 79u);
    const std::size_t bar = count(half, '#') + count(half, '.') - 2;  // less "30.0" and "60.0"
    EXPECT_EQ(count(half, '#'), bar / 2) << half;
    EXPECT_NE(half.find("30.0 s / 60.0 s  50%"), std::string::npos) << half;

    const std::string over = formatProgress(70000, 60000, 79);
    EXPECT_NE(over.find("60.0 s / 60.0 s  100%"), std::string::npos) << over;
    EXPECT_EQ(over.find("#."), std::string::npos) << "a full bar: " << over;
}

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

TEST(ProgressDisplay, RedrawsInPlaceOnATerminalAndClearsAtTheEnd) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    std::FILE* terminal = fdopen(slave, "w");
    ASSERT_NE(terminal, nullptr);
    {
        ProgressDisplay display(terminal, 2000);
        EXPECT_TRUE(display.active());
        display.update(1000);
        display.update(1000);  // the same text is not drawn again
    }
    std::fclose(terminal);
    std::string seen;
    char buffer[1024];
    ssize_t n;
    while ((n = read(master, buffer, sizeof buffer)) > 0) {
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    close(master);
    const std::string line = formatProgress(1000, 2000, 79);
    EXPECT_EQ(seen, "\r" + line + "\r" + std::string(line.size(), ' ') + "\r");
}

}  // namespace
}  // namespace qxsim
