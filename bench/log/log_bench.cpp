// Cost of a log entry against writing the same bytes with a plain file
// stream, and the cost of a log statement whose level is switched off.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>

#include "logging.h"
#include "os_ids.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\daemon_proxy";
constexpr std::streamoff kFileLimit = 5000 * 1000;  // the default size limit

// A folder for the run's files, removed at the end.
struct BenchDir {
    std::string path;
    BenchDir() {
        char pattern[] = "/tmp/qxlog_bench_XXXXXX";
        path = mkdtemp(pattern);
    }
    ~BenchDir() { std::filesystem::remove_all(path); }
};

// The line an INF entry of the benchmark writes.
std::string sampleLine(int line) {
    std::ostringstream text;
    text << getTimeString() << "|INF|" << std::setw(6) << currentThreadId() << "|"
         << formatLogPrefix(kSrcFile, line, "DaemonProxy", "DaemonProxy::connect")
         << "| devIdx: " << 0 << ":"
         << "Quorvex SpaceCap";
    return text.str();
}

void infoEntryToLogFile(benchmark::State& state) {
    BenchDir dir;
    LogParameters pars;  // defaults: file on, INF on, 5000 kB limit
    pars.mSettingsDirPath = dir.path;
    gLogging.init(pars);
    // Entries that differ, so that none is left out as a repeat.
    int idx = 0;
    for (auto _ : state) {
        QX_LOG(INF, kSrcFile, "DaemonProxy", "DaemonProxy::connect")
            << "devIdx: " << idx++ << ":"
            << "Quorvex SpaceCap" << LOG_END;
    }
    LogParameters off;
    off.mIsLogToFile = false;
    gLogging.init(off);
}

void sameBytesWithPlainStream(benchmark::State& state) {
    BenchDir dir;
    const std::string path = dir.path + "/plain.txt";
    const std::string line = sampleLine(__LINE__);
    std::ofstream out(path, std::ios::out | std::ios::app);
    for (auto _ : state) {
        // Start over at the log's size limit so both files stay as small.
        if (out.tellp() >= kFileLimit) {
            out.close();
            out.open(path, std::ios::out | std::ios::trunc);
        }
        out << line << std::endl;
    }
}

void disabledLevelStatement(benchmark::State& state) {
    LogParameters pars;
    pars.mIsLogToFile = false;
    pars.mIsDebug = false;
    gLogging.init(pars);
    int idx = 0;
    for (auto _ : state) {
        QX_LOG(DBG, kSrcFile, "DaemonProxy", "DaemonProxy::connect")
            << "devIdx: " << idx << LOG_END;
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(infoEntryToLogFile);
BENCHMARK(sameBytesWithPlainStream);
BENCHMARK(disabledLevelStatement);
BENCHMARK_MAIN();
