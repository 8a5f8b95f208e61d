// Logging: header and line format, filters, hex dump, file placement, the
// size limit with its backup and failures, threads, and the log statement.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iomanip>
#include <regex>
#include <thread>

#include "log_test_util.h"

namespace {

namespace fs = std::filesystem;

const char* const kFile = "..\\src\\unit_file";
const std::string kRule(90, '-');

// One entry through the steps of the log statement; false when filtered.
bool logEntry(Logging& log, int32_t level, const std::string& text, const char* file = kFile) {
    if (!log.startEntry(level, file, formatLogPrefix(file, 10, "Unit", "Unit::run"))) {
        return false;
    }
    log << text << LOG_END;
    return true;
}

// The whole line an INF entry of logEntry gives on this thread, time aside.
std::string lineRegex(const std::string& tag, const std::string& text) {
    std::ostringstream tid;
    tid << std::setw(6) << gettid();
    return std::string(kHeadRegex) + tag + "\\|" + tid.str() +
           "\\|       unit_file\\|   10\\| Unit::Unit::run                 \\| " + text;
}

void expectHeader(const std::vector<std::string>& lines, std::size_t at, const std::string& name) {
    ASSERT_GE(lines.size(), at + 5);
    EXPECT_EQ(lines[at], kRule);
    EXPECT_TRUE(std::regex_match(
        lines[at + 1],
        std::regex("Quorvex logfile '" + name + R"(' opened at \w{3} \w{3} [ \d]\d \d{4})")))
        << lines[at + 1];
    EXPECT_EQ(lines[at + 2], kRule);
    EXPECT_EQ(lines[at + 3],
              "    Time    |Typ|  TID |      File      | Line|        Class And Method         "
              "| LogText");
    EXPECT_EQ(lines[at + 4],
              "------------+---+------+----------------+-----+---------------------------------"
              "+---------");
}

class LoggingTest : public ::testing::Test {
protected:
    TempDir mDir;
    std::string mLogPath = mDir.file("log.txt");
};

TEST_F(LoggingTest, FileStartsWithHeaderAndKeepsEarlierRuns) {
    Logging log;
    log.init(fileParams(mDir.path()));
    logEntry(log, INF, "first run");
    log.init(fileParams(mDir.path()));
    logEntry(log, INF, "second run");

    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 12u);
    expectHeader(lines, 0, "log.txt");
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(lineRegex("INF", "first run")))) << lines[5];
    expectHeader(lines, 6, "log.txt");
    EXPECT_TRUE(std::regex_match(lines[11], std::regex(lineRegex("INF", "second run"))));
}

TEST_F(LoggingTest, ConsoleCopyGetsHeaderAndLines) {
    LogParameters pars = fileParams(mDir.path());
    pars.mIsLogToFile = false;
    pars.mIsLogToCnsl = true;
    Logging log;
    StreamCapture out(std::cout);
    log.init(pars);  // no file: no header either
    logEntry(log, ERR, "to the console");
    EXPECT_TRUE(std::regex_match(out.text(), std::regex(lineRegex("ERR", "to the console\n"))));
    EXPECT_FALSE(fs::exists(mLogPath));
}

TEST_F(LoggingTest, LevelFlagsAndLevelsBeyondTmp) {
    bool LogParameters::*const flags[] = {&LogParameters::mIsWarning, &LogParameters::mIsCreation,
                                          &LogParameters::mIsTrace,   &LogParameters::mIsDevCom,
                                          &LogParameters::mIsIntCom,  &LogParameters::mIsInfo,
                                          &LogParameters::mIsDebug,   &LogParameters::mIsTmp};
    Logging log;
    for (int on = 1; on <= 8; ++on) {
        LogParameters pars;
        pars.mIsLogToFile = false;
        pars.mIsCreation = pars.mIsInfo = false;
        pars.*flags[on - 1] = true;
        log.init(pars);
        // A level that took the lock without an entry would hang the next one.
        for (int level = -1; level <= 9; ++level) {
            EXPECT_EQ(logEntry(log, level, "x"), level == 0 || level == on)
                << "level " << level << " with flag " << on;
        }
    }
}

TEST_F(LoggingTest, FileFilterComparesNameAfterLastSlash) {
    const char* mixed = "src/sub\\x.cpp";
    LogParameters pars = fileParams(mDir.path());
    pars.mExclFileToLog = "sub\\x.cpp";
    Logging log;
    log.init(pars);
    EXPECT_TRUE(logEntry(log, INF, "passes", mixed));
    EXPECT_FALSE(logEntry(log, ERR, "other file, even at ERR", "src\\x.cpp"));
    pars.mExclFileToLog = "x.cpp";
    log.init(pars);
    EXPECT_FALSE(logEntry(log, ERR, "dropped", mixed));

    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 11u);
    // The file column still cuts after the last backslash.
    EXPECT_NE(lines[5].find("|           x.cpp|"), std::string::npos) << lines[5];
}

TEST_F(LoggingTest, NewlinesContinueAndEndTokenEndsTheEntry) {
    Logging log;
    log.init(fileParams(mDir.path()));
    logEntry(log, INF, "first\nsecond");
    ASSERT_TRUE(log.startEntry(INF, kFile, formatLogPrefix(kFile, 10, "Unit", "Unit::run")));
    log << "cut " << 314159;

    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(lineRegex("INF", "first"))));
    EXPECT_EQ(lines[6], "second");
    EXPECT_TRUE(std::regex_match(lines[7], std::regex(lineRegex("INF", "cut "))));
}

TEST_F(LoggingTest, HexDumpShowsSignExtendedBytesInRowsOfTen) {
    Logging log;
    log.init(fileParams(mDir.path()));
    ASSERT_TRUE(log.startEntry(INF, kFile, "p"));
    log << "dump" << LOG_HEX
        << std::string(
               "\x01\x7f\x80\xff"
               "ABCDEFGH")
        << 255 << LOG_END;
    ASSERT_TRUE(log.startEntry(INF, kFile, "p"));
    log << LOG_HEX << std::string() << 255 << LOG_END;

    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_TRUE(lines[5].ends_with("|p| dump")) << lines[5];
    EXPECT_EQ(lines[6], "       0  1  2  3  4  5  6  7  8  9");
    EXPECT_EQ(lines[7], "   0: 1 7f ffffff80 ffffffff 41 42 43 44 45 46 ");
    EXPECT_EQ(lines[8], "  10: 47 48 ff");  // the entry stays in hex after a dump
    EXPECT_TRUE(lines[9].ends_with("|p| ")) << lines[9];
    EXPECT_EQ(lines[10], "       0  1  2  3  4  5  6  7  8  9ff");
}

TEST_F(LoggingTest, PlacesTheLogFile) {
    struct Case {
        std::string configured, expectedPath;
    } cases[] = {
        {"plain.txt", mDir.file("plain.txt")},
        {mDir.file("full.txt"), mDir.file("full.txt")},
        {"", mDir.file("forgot_to_name_this_file_log.txt")},
    };
    for (const Case& c : cases) {
        Logging log;
        log.init(fileParams(mDir.path(), c.configured));
        EXPECT_EQ(log.logFilePath(), c.expectedPath);
        EXPECT_EQ(readLines(c.expectedPath).size(), 5u) << c.expectedPath;
    }
}

TEST_F(LoggingTest, UnopenableFileSwitchesFileLoggingOff) {
    LogParameters pars = fileParams(mDir.path(), mDir.file("missing/log.txt"));
    pars.mIsLogToCnsl = true;
    Logging log;
    StreamCapture out(std::cout);
    log.init(pars);
    EXPECT_FALSE(log.mIsLogToFile);
    EXPECT_NE(out.text().find("|ERR|"), std::string::npos);
    EXPECT_TRUE(out.text().ends_with("| Logging::Logging::init          | Opening log file '" +
                                     pars.mLogFile + "failed!\n"))
        << out.text();
}

TEST_F(LoggingTest, SizeZeroMovesEveryEarlierLineToBackup) {
    LogParameters pars = fileParams(mDir.path());
    pars.mMaxSize = 0;
    Logging log;
    log.init(pars);
    logEntry(log, INF, "one");
    logEntry(log, INF, "two");

    auto lines = readLines(mLogPath);
    auto backup = readLines(mDir.file("log.bak"));
    ASSERT_EQ(lines.size(), 6u);
    ASSERT_EQ(backup.size(), 6u);
    expectHeader(lines, 0, "log.txt");
    EXPECT_TRUE(lines[5].ends_with("| two"));
    expectHeader(backup, 0, "log.txt");
    EXPECT_TRUE(backup[5].ends_with("| one"));
}

TEST_F(LoggingTest, BackupHappensBeforeTheLineThatFindsTheLimit) {
    LogParameters pars = fileParams(mDir.path(), "limit");  // no extension: ".bak" appended
    pars.mMaxSize = 1;
    Logging log;
    log.init(pars);
    const std::string path = mDir.file("limit");
    for (int i = 0;; ++i) {
        auto sizeBefore = fs::file_size(path);
        logEntry(log, INF, "line " + std::to_string(i));
        if (sizeBefore < 1000) {
            ASSERT_FALSE(fs::exists(path + ".bak")) << "at " << sizeBefore;
            continue;
        }
        EXPECT_EQ(fs::file_size(path + ".bak"), sizeBefore);
        auto lines = readLines(path);
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_TRUE(lines[5].ends_with("| line " + std::to_string(i)));
        break;
    }
}

TEST_F(LoggingTest, BackupFailuresLeaveOnlyTheConsole) {
    Logging noFile;
    EXPECT_EQ(noFile.backupLogFile(), -1);

    // An old backup that cannot be removed: a folder with content.
    fs::create_directories(mDir.file("log.bak/keep"));
    LogParameters pars = fileParams(mDir.path());
    pars.mIsLogToCnsl = true;
    pars.mMaxSize = 0;
    Logging log;
    log.init(pars);
    StreamCapture out(std::cout);
    logEntry(log, INF, "after");  // backs up with the entry lock held
    EXPECT_EQ(log.backupLogFile(), -2);
    logEntry(log, INF, "still on the console");

    std::string text = out.text();
    std::string removeError = "| '" + mDir.file("log.bak") + "' couldn't be removed!\n";
    EXPECT_NE(text.find("|ERR|"), std::string::npos);
    EXPECT_NE(text.find(removeError), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("| still on the console\n"));
    EXPECT_EQ(readLines(mLogPath).size(), 5u);  // header only: the file stays closed
}

TEST_F(LoggingTest, FailedReopenReportsAndStopsFileLines) {
    fs::create_directory(mDir.file("sub"));
    LogParameters pars = fileParams(mDir.path(), mDir.file("sub/log.txt"));
    pars.mIsLogToCnsl = true;
    pars.mMaxSize = 0;
    Logging log;
    log.init(pars);
    // Without its folder the moved file cannot be created again.
    fs::remove_all(mDir.file("sub"));
    StreamCapture out(std::cout);
    logEntry(log, INF, "next");
    EXPECT_NE(out.text().find("| Opening of stream of'" + pars.mLogFile + "' failed!\n\n"),
              std::string::npos)
        << out.text();
    EXPECT_TRUE(out.text().ends_with("| next\n"));
    EXPECT_FALSE(fs::exists(pars.mLogFile));
}

TEST_F(LoggingTest, RenameFailureReportsOnStandardOutput) {
    const std::string sub = mDir.file("ro");
    auto child = [&] {
        // Root may rename anywhere: run as nobody in a folder only it owns.
        chmod(mDir.path().c_str(), 0777);
        if (geteuid() == 0 && setuid(65534) != 0) {
            std::exit(2);
        }
        mkdir(sub.c_str(), 0755);
        Logging log;
        log.init(fileParams(sub));
        chmod(sub.c_str(), 0555);
        StreamCapture out(std::cout);
        int result = log.backupLogFile();
        std::cerr << out.text();
        std::exit(result == -3 ? 0 : 1);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                "^File '.*/ro/log\\.txt' couldn't be renamed to '.*/ro/log\\.bak'!\n$");
    chmod(sub.c_str(), 0755);
}

TEST_F(LoggingTest, ThreadsWriteWholeLines) {
    constexpr int kThreads = 4, kEntries = 250;
    Logging log;
    log.init(fileParams(mDir.path()));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kEntries; ++i) {
                logEntry(log, INF,
                         "t" + std::to_string(t) + " n" + std::to_string(i) + " " +
                             std::string(60, 'a' + t));
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 5u + kThreads * kEntries);
    std::regex line(
        std::string(kHeadRegex) +
        R"(INF\| *\d+\|       unit_file\|   10\| Unit::Unit::run {17}\| t(\d) n(\d+) )" +
        R"((a{60}|b{60}|c{60}|d{60}))");
    int next[kThreads] = {};
    for (std::size_t i = 5; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, line)) << lines[i];
        int t = std::stoi(m[1]);
        EXPECT_EQ(std::stoi(m[2]), next[t]++);
        EXPECT_EQ(m[3].str()[0], 'a' + t);
    }
}

TEST_F(LoggingTest, SilentUntilInitAndLogsItsDestruction) {
    {
        Logging log;
        StreamCapture out(std::cout);
        EXPECT_TRUE(logEntry(log, ERR, "nowhere"));
        EXPECT_FALSE(logEntry(log, CRT, "off"));
        EXPECT_EQ(out.text(), "");
        log.init(fileParams(mDir.path()));
    }
    auto lines = readLines(mLogPath);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(std::regex_match(
        lines[5],
        std::regex(std::string(kHeadRegex) +
                   R"(CRT\| *\d+\|         logging\| *\d+\| Logging::Logging::~Logging {6})"
                   R"(\| Logging::~Logging\(\): destructing \.\.\.)")))
        << lines[5];
}

TEST(GlobalLog, StatementFormatsNothingForADisabledLevel) {
    TempDir dir;
    EXPECT_EQ(gLogAlive.load(), 314159);
    gLogging.init(fileParams(dir.path()));
    int formatted = 0;
    auto text = [&formatted] { return ++formatted; };
    QX_LOG(DBG, kFile, "Unit", "Unit::run") << text() << LOG_END;
    EXPECT_EQ(formatted, 0);
    const int line = __LINE__ + 1;
    QX_LOG(INF, kFile, "Unit", "Unit::run") << "value " << text() << 2.5 << LOG_END;
    EXPECT_EQ(formatted, 1);

    LogParameters off;
    off.mIsLogToFile = false;
    gLogging.init(off);
    auto lines = readLines(dir.file("log.txt"));
    ASSERT_EQ(lines.size(), 6u);
    std::ostringstream tail;
    tail << "|" << std::setw(5) << line << "| Unit::Unit::run                 | value 12.5";
    EXPECT_TRUE(lines[5].ends_with(tail.str())) << lines[5];
}

}  // namespace
