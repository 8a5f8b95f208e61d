// Logging: header and line, filters, entry text, file placement, the size
// limit with its backup and failures, threads, and the log statement.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <iomanip>
#include <limits>
#include <sstream>
#include <regex>
#include <thread>

#include <fstream>
#include <csignal>
#include <iostream>

#include "logging.h"
#include "test_host.h"
#include "win32_control.h"

namespace {

namespace fs = std::filesystem;
const char* const kFile = "src\\unit_file";

// Scheduler state of a thread of this process ('S' while it sleeps).
inline char threadState(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

bool logEntry(Logging& log, int32_t level, const std::string& text, const char* file = kFile) {
    if (!log.startEntry(level, file, formatLogPrefix(file, 10, "Unit", "Unit::run"))) {
        return false;
    }
    log << text << LOG_END;
    return true;
}

// A whole line of logEntry: time, tag, thread id (at least 6 wide), columns.
std::string lineRegex(const std::string& tag, const std::string& text) {
    return R"(\d\d:\d\d:\d\d\.\d{3}\|)" + tag + R"(\|[ \d]{5,}\d\|       unit_file\|   10\| )" +
           "Unit::Unit::run {17}\\| " + text;
}

class LoggingTest : public TestHost {
protected:
    void SetUp() override {
        TestHost::SetUp();
        mLogPath = file("log.txt");
        mPars = params("log.txt");
    }
    std::string file(const std::string& name) const { return (mProfile / name).string(); }
    LogParameters params(const std::string& file) {
        LogParameters pars;
        pars.mSettingsDirPath = mProfile.string();
        pars.mLogFile = file;
        return pars;
    }
    std::string mLogPath;
    LogParameters mPars;
};

TEST_F(LoggingTest, EveryOpeningAppendsAHeaderBlock) {
    // The block's fixed lines are in every session log's golden file; here:
    // a block for each opening, with the date it was opened.
    Logging log;
    for (const char* text : {"first run", "second run"}) {
        log.init(mPars);
        logEntry(log, INF, text);
    }
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 12u);
    for (std::size_t at : {0, 6}) {
        EXPECT_TRUE(
            std::regex_match(lines[at + 1], std::regex(R"(Quorvex logfile 'log.txt' )"
                                                       R"(opened at \w{3} \w{3} [ \d]\d \d{4})")));
        EXPECT_TRUE(lines[at + 4].starts_with("------------+---+"));
    }
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(lineRegex("INF", "first run"))));
    EXPECT_TRUE(std::regex_match(lines[11], std::regex(lineRegex("INF", "second run"))));
}

TEST_F(LoggingTest, LevelFlagsAndLevelsBeyondTmp) {
    bool LogParameters::*const flags[] = {&LogParameters::mIsWarning, &LogParameters::mIsCreation,
                                          &LogParameters::mIsTrace,   &LogParameters::mIsDevCom,
                                          &LogParameters::mIsIntCom,  &LogParameters::mIsInfo,
                                          &LogParameters::mIsDebug,   &LogParameters::mIsTmp};
    Logging log;
    // Before init only ERR is on.
    for (int level = -1; level <= 9; ++level) {
        EXPECT_EQ(logEntry(log, level, "x"), level == 0) << level;
    }
    for (int on = 1; on <= 8; ++on) {
        LogParameters pars;
        pars.mIsLogToFile = pars.mIsCreation = pars.mIsInfo = false;
        pars.*flags[on - 1] = true;
        log.init(pars);
        // A dropped level that took the lock would hang the next entry.
        for (int level = -1; level <= 9; ++level) {
            EXPECT_EQ(logEntry(log, level, "x"), level == 0 || level == on) << level << "/" << on;
        }
    }
}

TEST_F(LoggingTest, FileFilterComparesTheNameAfterTheLastSlash) {
    Logging log;
    mPars.mExclFileToLog = "sub\\x.cpp";
    log.init(mPars);
    EXPECT_TRUE(logEntry(log, INF, "passes", "src/sub\\x.cpp"));
    EXPECT_FALSE(logEntry(log, ERR, "other file, even at ERR", "src\\x.cpp"));
    mPars.mExclFileToLog = "x.cpp";
    log.init(mPars);
    EXPECT_FALSE(logEntry(log, ERR, "dropped", "src/sub\\x.cpp"));
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_NE(lines[5].find("|           x.cpp|"), std::string::npos) << lines[5];
    // An entry an exception cut short goes with the thread's next statement,
    // even one the filter drops: other threads are not held off for ever.
    ASSERT_TRUE(log.startEntry(INF, "x.cpp", "cut short"));
    EXPECT_FALSE(logEntry(log, INF, "dropped", "y.cpp"));
    std::thread([&log] { EXPECT_TRUE(logEntry(log, INF, "next", "x.cpp")); }).join();
}

TEST_F(LoggingTest, EntryTextNewlinesEndTokenAndHexDump) {
    Logging log;
    log.init(mPars);
    logEntry(log, INF, "first\nsecond");
    log.startEntry(INF, kFile, "p");
    log << "cut" << 314159;
    log.startEntry(INF, kFile, "p");
    log << "dump" << LOG_HEX
        << std::string(
               "\x01\x7f\x80\xff"
               "ABCDEFGH")
        << 255 << LOG_END;
    log.startEntry(INF, kFile, "p");
    log << LOG_HEX << std::string() << 255 << LOG_END;

    const std::string columns = "       0  1  2  3  4  5  6  7  8  9";
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(lineRegex("INF", "first"))));
    EXPECT_EQ(lines[6], "second");
    EXPECT_TRUE(lines[7].ends_with("|p| cut"));
    EXPECT_TRUE(lines[8].ends_with("|p| dump"));
    EXPECT_EQ(lines[9], columns);
    EXPECT_EQ(lines[10], "   0: 1 7f ffffff80 ffffffff 41 42 43 44 45 46 ");
    EXPECT_EQ(lines[11], "  10: 47 48 ff");  // hex until the entry ends
    EXPECT_EQ(lines[13], columns + "ff");    // empty: the column header only
}

// Also in a host process whose C locale has a decimal comma.
TEST_F(LoggingTest, NumbersReadAsTheStreamWritesThemAndEntriesStartPlain) {
    ASSERT_NE(setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "tools/install-deps.sh makes it";
    struct CLocaleAtEnd {
        ~CLocaleAtEnd() { setlocale(LC_ALL, "C"); }
    } cLocaleAtEnd;
    Logging log;
    log.init(mPars);
    const double values[] = {0.0,
                             -0.0,
                             0.1,
                             1.0 / 3.0,
                             -2.5e300,
                             5e-324,
                             123456.0,
                             1234567.0,
                             1e-5,
                             9.9999995e-5,
                             -42.0,
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    std::vector<std::string> expected;
    for (double value : values) {
        std::ostringstream plain;
        std::ostringstream fixed;
        plain << value;
        fixed << std::fixed << std::setprecision(3) << value;
        expected.push_back(plain.str() + " " + fixed.str());
        log.startEntry(INF, kFile, "p");
        log << value << " " << std::fixed << std::setprecision(3) << value << LOG_END;
    }
    // A hex dump leaves hexadecimal on only until its entry ends.
    log.startEntry(INF, kFile, "p");
    log << LOG_HEX << std::string("A") << 255 << LOG_END;
    log.startEntry(INF, kFile, "p");
    log << 255 << " " << 0.5 << LOG_END;

    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 5u + std::size(values) + 4);  // the dump takes three lines
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_TRUE(lines[5 + i].ends_with("|p| " + expected[i])) << lines[5 + i];
    }
    EXPECT_TRUE(lines.back().ends_with("|p| 255 0.5")) << lines.back();
}

TEST_F(LoggingTest, PlacesTheLogFileOrReportsThatItCannot) {
    for (auto [configured, path] : {std::pair{std::string("a.txt"), file("a.txt")},
                                    {file("full.txt"), file("full.txt")},
                                    {"", file("forgot_to_name_this_file_log.txt")}}) {
        Logging log;
        log.init(params(configured));
        EXPECT_EQ(log.logFilePath(), path);
        EXPECT_EQ(readLines(path).size(), 5u) << path;
    }
    // A line an earlier run left cut short ends before the new header.
    writeFile(file("torn.txt"), "12:00:00.000|ERR| cut sh");
    Logging().init(params("torn.txt"));
    EXPECT_TRUE(readFile(file("torn.txt")).starts_with("12:00:00.000|ERR| cut sh\n-----"));
    // A link in the log's place is never written through.
    fs::create_symlink(file("torn.txt"), file("link.txt"));
    const std::string before = readFile(file("torn.txt"));
    Logging linked;
    linked.init(params("link.txt"));
    EXPECT_FALSE(linked.mIsLogToFile);
    EXPECT_EQ(readFile(file("torn.txt")), before);
    LogParameters pars = params(file("missing/log.txt"));
    pars.mIsLogToCnsl = true;
    CoutCapture out;
    Logging log;
    log.init(pars);
    EXPECT_FALSE(log.mIsLogToFile);
    EXPECT_TRUE(
        std::regex_search(out.text(), std::regex(R"(\|ERR\|.*\| Logging::Logging::init {10}\| )"
                                                 "Opening log file '" +
                                                 pars.mLogFile + "failed!\n$")))
        << out.text();
}

TEST_F(LoggingTest, BacksUpBeforeTheLineThatFindsTheLimit) {
    LogParameters pars = params("limit");
    pars.mMaxSize = 1;
    Logging log;
    log.init(pars);
    const std::string path = file("limit");
    auto size = [&] { return static_cast<std::size_t>(fs::file_size(path)); };
    std::size_t before = size();
    logEntry(log, INF, "");
    const std::size_t lineCost = size() - before;
    logEntry(log, INF, std::string(1000 - size() - lineCost, 'x'));  // exactly 1000 bytes
    ASSERT_FALSE(fs::exists(path + ".bak"));
    logEntry(log, INF, "last");
    EXPECT_EQ(fs::file_size(path + ".bak"), 1000u);
    auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(lines[5].ends_with("| last"));
    // 2147484 kB and more do not fit 32 bits of bytes: no backup before every line.
    pars.mMaxSize = 2147484;
    log.init(pars);
    logEntry(log, INF, "far from the limit");
    EXPECT_EQ(readLines(path).size(), 12u);
    // The extension is all from the name's last "."; a folder's dot is none.
    fs::create_directories(file("v1.0"));
    pars.mMaxSize = 0;
    for (auto [name, backup] :
         {std::pair{"v1.0/limit", "v1.0/limit.bak"}, {"v1.0/.qx", "v1.0/.bak"}}) {
        pars.mLogFile = file(name);  // a name with a separator is a whole path
        log.init(pars);
        logEntry(log, INF, "");
        EXPECT_TRUE(fs::exists(file(backup))) << name;
    }
    EXPECT_EQ(log.backupLogFile(), 0);
    // Another writer's bytes count: the check reads where the file is
    // written next, as of the log's own last line.
    pars.mLogFile = "shared";
    pars.mMaxSize = 1;
    log.init(pars);
    logEntry(log, INF, "ours");
    std::ofstream(file("shared"), std::ios::app) << std::string(2000, 'o') << '\n';
    logEntry(log, INF, "after theirs");
    ASSERT_FALSE(fs::exists(file("shared.bak")));
    logEntry(log, INF, "rotated");
    EXPECT_TRUE(readFile(file("shared.bak")).ends_with("| after theirs\n"));
}

// The header counts as the first entry lost; the file gets one when it can be
// written again.
TEST_F(LoggingTest, AFullDiskCostsEntriesUntilThereIsRoomAgain) {
    FullDisk disk(file("disk"));
    const LogParameters pars = params(file("disk/log.txt"));
    Logging log;
    disk.fill();
    constexpr int kEntries = 20;
    {
        CoutCapture err(std::cerr);
        log.init(pars);
        for (int i = 0; i < kEntries; ++i) {
            logEntry(log, INF, "entry " + std::to_string(i) + ";");
        }
        EXPECT_EQ(
            countOf(err.text(), "Logging: writing the log file '" + pars.mLogFile + "' failed!"),
            1);
    }
    disk.free();
    logEntry(log, INF, "after");
    // Reopened on the next entry: the count of the lost first, each line whole
    // (one cut right before its line end reads as written).
    const std::string text = readFile(pars.mLogFile);
    std::smatch lost;
    ASSERT_TRUE(std::regex_search(
        text, lost,
        std::regex(
            R"(^-{90}\n(.*\n){4}(.*;\n)?.*\| Writing the log file failed: (\d+) entries lost.\n.*\| after\n$)")))
        << text;
    const int excess = countOf(text, ";\n") + std::stoi(lost[3]) - kEntries - 1;
    EXPECT_TRUE(excess == 0 || excess == 1) << text;
}

TEST_F(LoggingTest, AnOpenEntryHoldsOffOtherThreads) {
    Logging log;
    log.init(mPars);
    ASSERT_TRUE(log.startEntry(INF, kFile, "p"));
    std::atomic<pid_t> tid{0};
    std::atomic<bool> done{false};
    std::thread other([&] {
        tid = gettid();
        logEntry(log, INF, "second");
        done = true;
    });
    // The other thread can sleep only in the entry lock.
    while (tid == 0 || (threadState(tid) != 'S' && !done)) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(done);
    log << "first" << LOG_END;
    other.join();
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(lines[5].ends_with("|p| first"));
    EXPECT_TRUE(lines[6].ends_with("| second"));
}

TEST_F(LoggingTest, BackupFailuresLeaveOnlyTheConsole) {
    EXPECT_EQ(Logging().backupLogFile(), -1);
    fs::create_directory(file("log.bak"));  // not a backup: it stays
    fs::create_directory(file("sub"));
    mPars.mIsLogToCnsl = true;
    mPars.mMaxSize = 0;
    LogParameters vanishing = mPars;
    vanishing.mLogFile = file("sub/log.txt");
    CoutCapture out;
    Logging log, reopen;
    log.init(mPars);
    reopen.init(vanishing);
    fs::remove_all(file("sub"));  // the moved file cannot be created again

    logEntry(log, INF, "after");  // backs up with the entry lock held
    EXPECT_EQ(log.backupLogFile(), -2);
    logEntry(reopen, INF, "next");
    const std::string head = R"(\|ERR\|.*\| Logging::Logging::backupLogFile \| )";
    EXPECT_TRUE(std::regex_search(
        out.text(), std::regex(head + "'" + file("log.bak") + "' couldn't be removed!\n")));
    EXPECT_TRUE(std::regex_search(out.text(), std::regex(head + "Opening of stream of'" +
                                                         vanishing.mLogFile + "' failed!\n\n")))
        << out.text();
    EXPECT_TRUE(out.text().ends_with("| next\n"));
    EXPECT_EQ(readLines(mLogPath).size(), 5u);  // the header only: the file stays closed
    EXPECT_FALSE(fs::exists(vanishing.mLogFile));
}

TEST_F(LoggingTest, RenameFailureIsReportedOnStandardOutput) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // sanitizers keep a thread of their own
    auto child = [this] {
        // Root renames anywhere: run as nobody in a folder it may not change.
        chmod(mProfile.c_str(), 0777);
        if (geteuid() == 0 && setuid(65534) != 0) {
            std::exit(2);
        }
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // a change of user clears it
        mkdir(file("ro").c_str(), 0755);
        Logging log;
        log.init(params(file("ro/log.txt")));
        chmod(file("ro").c_str(), 0555);
        CoutCapture out;
        int result = log.backupLogFile();
        std::cerr << out.text();
        std::exit(result == -3 ? 0 : 1);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                "^File '.*/ro/log\\.txt' couldn't be renamed to '.*/ro/log\\.bak'!\n$");
    chmod(file("ro").c_str(), 0755);
}

TEST_F(LoggingTest, ThreadsWriteWholeLines) {
    constexpr int kThreads = 4, kEntries = 250;
    Logging log;
    log.init(mPars);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kEntries; ++i) {
                logEntry(log, INF, std::string(60, 'a' + t) + " " + std::to_string(i));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 5u + kThreads * kEntries);
    std::regex line(lineRegex("INF", R"(([a-d])\1{59} (\d+))"));
    int next[kThreads] = {};
    for (std::size_t i = 5; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, line)) << lines[i];
        EXPECT_EQ(std::stoi(m[2]), next[m[1].str()[0] - 'a']++);
    }
}

TEST_F(LoggingTest, RunsOfRepeatsAreLeftOutAndCountedOnceASecond) {
    // Virtual time: two entries alternate every millisecond for 2.5 s, a
    // third stands alone; then a pause.
    {
        Logging log;
        log.init(mPars);
        for (int ms = 0; ms < 2500; ++ms) {
            logEntry(log, ERR, "A");
            logEntry(log, ERR, "B");
            win32sim::advanceBy(1);
        }
        logEntry(log, INF, "C");
        win32sim::advanceBy(1000);
        logEntry(log, ERR, "A");  // after a pause: the count first
    }
    // The first three of a run are written, then a count once a second.
    const std::vector<std::string> expected = {
        "A",
        "B",
        "A",
        "B",
        "A",
        "B",
        "Left out 998 repeats of: A",
        "Left out 998 repeats of: B",
        "Left out 1000 repeats of: A",
        "Left out 1000 repeats of: B",
        "C",
        "Left out 499 repeats of: A",
        "A",
        "Left out 499 repeats of: B"};  // when the log closes
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 5 + expected.size() + 1);  // and the log's destruction
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(std::regex_match(
            lines[5 + i], std::regex(lineRegex(expected[i] == "C" ? "INF" : "ERR", expected[i]))))
            << lines[5 + i];
    }
}

// The last eight distinct entries are remembered; an entry back after a
// pause moves to the newest place, so the oldest record makes room for the
// next new entry and its count is written then.
TEST_F(LoggingTest, TheOldestRecordMakesRoomWithItsCount) {
    {
        Logging log;
        log.init(mPars);
        for (int i = 0; i < 5; ++i) {
            logEntry(log, ERR, "A");
        }
        for (const char* text : {"E1", "E2", "E3", "E4", "E5", "E6", "E7"}) {
            logEntry(log, INF, text);
        }
        win32sim::advanceBy(1000);
        logEntry(log, INF, "E1");
        logEntry(log, INF, "Z");
    }
    const std::vector<std::string> expected = {
        "A", "A", "A", "E1", "E2", "E3", "E4", "E5", "E6", "E7", "E1", "Left out 2 repeats of: A",
        "Z"};
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 5 + expected.size() + 1);  // and the log's destruction
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(lines[5 + i].ends_with("| " + expected[i])) << lines[5 + i];
    }
}

TEST_F(LoggingTest, StatementFormatsNothingForADisabledLevel) {
    LogParameters pars;
    pars.mSettingsDirPath = mProfile.string();
    { Logging other; }  // only the process's own log marks itself alive or gone
    EXPECT_EQ(InterlockedCompareExchange(&gLogAlive, 0, 0), 314159);
    gLogging.init(pars);
    int formatted = 0;
    QX_LOG(DBG, kFile, "Unit", "Unit::run") << ++formatted << LOG_END;
    EXPECT_EQ(formatted, 0);
    QX_LOG(INF, kFile, "Unit", "Unit::run") << "value " << ++formatted << 2.5 << LOG_END;
    const int line = __LINE__ - 1;
    pars.mIsLogToFile = false;
    gLogging.init(pars);
    auto lines = readLines(file("autocad_addin_log.txt"));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(std::regex_search(lines[5], std::regex("\\| +" + std::to_string(line) +
                                                       "\\| Unit::Unit::run {17}\\| value 12.5$")))
        << lines[5];
}

}  // namespace
