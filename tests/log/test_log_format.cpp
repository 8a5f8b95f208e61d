// Column texts of the log line: widths, cuts and the time of day.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>

#include "log_time.h"
#include "path_sep.h"

namespace {

struct PrefixCase {
    const char* file;
    int line;
    const char* className;
    const char* method;
    const char* expected;
};

TEST(FormatLogPrefix, FillsAndCutsColumns) {
    const PrefixCase cases[] = {
        // Path cut after the last backslash, short texts filled.
        {"..\\..\\src\\logging", 7, "A", "A::f",
         "         logging|    7| A::A::f                         "},
        // 16 characters stay whole, 17 keep their last 15 behind "*".
        {"x\\abcdefghijklmnop", 12345, "C", "m",
         "abcdefghijklmnop| 12345| C::m                            "},
        {"x\\abcdefghijklmnopq", 0, "C", "m",
         "*cdefghijklmnopq|    0| C::m                            "},
        // 32 characters of class::method stay whole, 33 are cut.
        {"f", 1, "Settings", "Settings::readParamete",
         "               f|    1| Settings::Settings::readParamete"},
        {"f", 1, "Settings", "Settings::readParameter",
         "               f|    1| *ttings::Settings::readParameter"},
        // A slash is not a cut point of the file column.
        {"src/sub\\x.cpp", 2, "K", "K::g",
         "           x.cpp|    2| K::K::g                         "},
    };
    for (const PrefixCase& c : cases) {
        EXPECT_EQ(formatLogPrefix(c.file, c.line, c.className, c.method), c.expected) << c.file;
    }
}

// Seconds of the day of a "hh:mm:ss.mmm" text.
int secondsOfDay(const std::string& t) {
    return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 +
           std::stoi(t.substr(6, 2));
}

TEST(LogTime, TimeIsUtcAndDateIsLocalCtime) {
    // A zone far from UTC shows whether local time leaks into the time column.
    const char* oldTz = std::getenv("TZ");
    std::string saved = oldTz != nullptr ? oldTz : "";
    setenv("TZ", "QXT-5:30", 1);
    tzset();

    std::time_t now = std::time(nullptr);
    std::string time = getTimeString();
    std::string date = getDateString();
    char ctimeText[32];
    ctime_r(&now, ctimeText);

    if (oldTz != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();

    ASSERT_TRUE(std::regex_match(time, std::regex(R"(([01]\d|2[0-3]):[0-5]\d:[0-5]\d\.\d{3})")))
        << time;
    int utc = static_cast<int>(now % 86400);
    int diff = std::abs(secondsOfDay(time) - utc);
    EXPECT_LE(std::min(diff, 86400 - diff), 2) << time;

    std::string c(ctimeText);
    EXPECT_EQ(date, c.substr(0, 11) + c.substr(20, 4));
    EXPECT_TRUE(std::regex_match(date, std::regex(R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ \d]\d \d{4})")))
        << date;
}

TEST(PathSeparator, JoinsWithOneSeparator) {
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(joinPath("dir", "f.txt"), "dir" + sep + "f.txt");
    EXPECT_EQ(joinPath("dir" + sep, "f.txt"), "dir" + sep + "f.txt");
    EXPECT_EQ(joinPath("", "f.txt"), "f.txt");
}

}  // namespace
