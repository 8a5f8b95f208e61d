// Column texts of the log line: widths, cuts and the UTC time of day.
#include <gtest/gtest.h>

#include <ctime>
#include <regex>

#include "log_time.h"

TEST(FormatLogPrefix, FillsAndCutsColumns) {
    struct {
        const char *file, *method, *expected;
    } const cases[] = {
        {"..\\src\\logging", "A::f", "         logging|   12| C::A::f                         "},
        // 16 characters stay whole, 17 keep their last 15 behind "*".
        {"x\\abcdefghijklmnop", "m", "abcdefghijklmnop|   12| C::m                            "},
        {"x\\abcdefghijklmnopq", "m", "*cdefghijklmnopq|   12| C::m                            "},
        // 32 characters of class::method stay whole, 33 are cut; "/" is no cut.
        {"a/f", "C::readParameter1234567890abc",
         "             a/f|   12| C::C::readParameter1234567890abc"},
        {"f", "C::readParameter1234567890abcd",
         "               f|   12| *:C::readParameter1234567890abcd"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatLogPrefix(c.file, 12, "C", c.method), c.expected) << c.file;
    }
    EXPECT_EQ(formatLogPrefix("f", 123456, "C", "m").substr(16),
              "| 123456| C::m" + std::string(28, ' '));
}

TEST(LogTime, TimeOfDayIsUtcEvenInAnotherZone) {
    setenv("TZ", "QXT-5:30", 1);  // no zone data needed; far from UTC
    tzset();
    std::time_t now = std::time(nullptr);
    std::string time = getTimeString();
    unsetenv("TZ");
    tzset();

    ASSERT_TRUE(std::regex_match(time, std::regex(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d\.\d{3})")));
    int secs = std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 +
               std::stoi(time.substr(6, 2));
    int diff = std::abs(secs - static_cast<int>(now % 86400));
    EXPECT_LE(std::min(diff, 86400 - diff), 2) << time;
    // Every digit in its place, also for a time before 1970.
    EXPECT_EQ(formatTimeOfDay(((20 * 60 + 21) * 60 + 9) * 1000LL + 7), "20:21:09.007");
    EXPECT_EQ(formatTimeOfDay(-1), "23:59:59.999");
}
