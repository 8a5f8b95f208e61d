// A log flood through the loaded module, in real time: the cap is held while
// no drawing is open, so every pass of the timer fails with ERR entries (two
// texts alternating) for three seconds. Reports the lines the log got and the
// CPU time of the whole process over those seconds.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

#include <arxHeaders.h>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kFloodMs = 3000;
// A size limit far above the flood, so that no line is lost to a backup.
constexpr const char* kLargeMaxSize = "1000000";

int gAppId = 0;

void send(AcRx::AppMsgCode msg) {
    acrxEntryPoint(msg, &gAppId);
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::int64_t lineCount(const fs::path& path) {
    const std::string text = readText(path);
    return static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
}

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void resetSimulation() {
    win32sim::resetSimulation();
    qxdaemon::reset();
    arxsim::reset();
    arxdrawing::reset();
    win32sim::setClockMode(win32sim::ClockMode::Real);
}

void heldCapWithoutDocument(benchmark::State& state) {
    const fs::path profile =
        fs::temp_directory_path() / ("qx_bench_flood_" + std::to_string(getpid()));
    fs::remove_all(profile);
    const fs::path apps = profile / "QuorvexDevice" / "Applications";
    fs::create_directories(apps);
    std::ofstream(apps / "autocad.mnu") << "[Modes]\nStart = 0\nPaper = 1\nModel = 2\n";
    setenv("USERPROFILE", profile.c_str(), 1);

    // A first load writes the default settings file; its size limit is raised.
    resetSimulation();
    send(AcRx::kInitAppMsg);
    send(AcRx::kUnloadAppMsg);
    const fs::path ini = apps / "autocad_addin.ini";
    std::string settings = readText(ini);
    const std::string key = "\tmaxSize               = ";
    const std::size_t at = settings.find(key) + key.size();
    settings.replace(at, settings.find(' ', at) - at, kLargeMaxSize);
    std::ofstream(ini, std::ios::binary | std::ios::trunc) << settings;
    const fs::path log = profile / "QuorvexDevice" / "autocad_addin_log.txt";

    for (auto _ : state) {
        resetSimulation();
        send(AcRx::kInitAppMsg);
        send(AcRx::kLoadDwgMsg);
        win32sim::runMessageLoopUntil(win32sim::nowMs() + 300);  // threads up, menu read
        qxdaemon::sendMotion(0, 0, 0, 0, 3000, 0);
        win32sim::runMessageLoopUntil(win32sim::nowMs() + 200);  // the motion under way
        send(AcRx::kUnloadDwgMsg);
        arxsim::closeDocument();

        const std::int64_t linesBefore = lineCount(log);
        const double cpuBefore = processCpuMs();
        win32sim::runMessageLoopUntil(win32sim::nowMs() + kFloodMs);
        const double cpuMs = processCpuMs() - cpuBefore;
        const std::int64_t lines = lineCount(log) - linesBefore;

        qxdaemon::sendMotion(0, 0, 0, 0, 0, 0);
        send(AcRx::kUnloadAppMsg);
        state.counters["lines"] = static_cast<double>(lines);
        state.counters["lines_per_s"] = static_cast<double>(lines) * 1000.0 / kFloodMs;
        state.counters["cpu_ms"] = cpuMs;
    }
    fs::remove_all(profile);
}

BENCHMARK(heldCapWithoutDocument)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
