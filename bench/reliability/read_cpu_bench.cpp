// Measures, in real time, the CPU that the plug-in's reading thread takes
// while the driver daemon is gone and the controller library's read fails at
// once instead of waiting (the worst library for the reading loop). The
// plug-in is loaded through its entry point with the daemon up, the daemon
// goes down, and the reading thread's CPU time (from the kernel's per-thread
// accounting) is taken over a few seconds of wall time while the host's
// message loop runs as usual.
//
//   bench_reliability [SECONDS]   (default 5)
//
// Prints the figures and exits 1 when the reading thread took more than 1%
// of one core.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

namespace fs = std::filesystem;

namespace {

constexpr double kLimitPercent = 1.0;

int gAppId = 0;

void send(AcRx::AppMsgCode msg) {
    acrxEntryPoint(msg, &gAppId);
}

fs::path makeProfile() {
    const fs::path profile =
        fs::temp_directory_path() / ("qx_bench_reliability_" + std::to_string(getpid()));
    fs::remove_all(profile);
    fs::create_directories(profile / "QuorvexDevice" / "Applications");
    std::ofstream(profile / "QuorvexDevice" / "Applications" / "autocad.mnu")
        << "[Modes]\nStart = 0\nPaperSpace = 1\nModelSpace = 2\n\n[MenuBar]\nID_Line = "
           "{ID_Line}_line|Line\n";
    setenv("USERPROFILE", profile.c_str(), 1);
    return profile;
}

// Thread id in the log entry that carries `text` (the TID column), or 0.
long tidOfLogEntry(const fs::path& log, const std::string& text) {
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(text) == std::string::npos) {
            continue;
        }
        // hh:mm:ss.mmm|LVL|  TID |...
        std::stringstream fields(line);
        std::string time, level, tid;
        std::getline(fields, time, '|');
        std::getline(fields, level, '|');
        std::getline(fields, tid, '|');
        return std::strtol(tid.c_str(), nullptr, 10);
    }
    return 0;
}

// CPU time of one thread of this process in ns: the first field of its
// schedstat (time on a CPU), or -1 when the kernel does not give it.
double threadCpuNs(long tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    double ns = -1;
    if (!(in >> ns)) {
        return -1;
    }
    return ns;
}

double processCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: bench_reliability [SECONDS]\n");
        return 2;
    }
    const fs::path profile = makeProfile();
    const fs::path log = profile / "QuorvexDevice" / "autocad_addin_log.txt";

    win32sim::resetSimulation();
    qxdaemon::reset();
    arxsim::reset();
    arxdrawing::reset();
    win32sim::setClockMode(win32sim::ClockMode::Real);
    qxdaemon::setReadFailsFastWhileDown(true);

    send(AcRx::kInitAppMsg);
    send(AcRx::kLoadDwgMsg);
    win32sim::runMessageLoopUntil(win32sim::nowMs() + 300);  // threads up, menu read
    const long readerTid = tidOfLogEntry(log, "Creating reading thread ...");

    qxdaemon::setUp(false);
    win32sim::runMessageLoopUntil(win32sim::nowMs() + 50);  // the waiting read returns

    const int readsStart = qxdaemon::callCount(qxdaemon::Op::ReadEvent);
    const double readerStart = threadCpuNs(readerTid);
    const double processStart = processCpuNs();
    const auto wallStart = std::chrono::steady_clock::now();
    win32sim::runMessageLoopUntil(win32sim::nowMs() + static_cast<std::uint64_t>(seconds * 1000));
    const double wallNs = static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                  std::chrono::steady_clock::now() - wallStart)
                                                  .count());
    const double readerNs = threadCpuNs(readerTid) - readerStart;
    const double processNs = processCpuNs() - processStart;
    const int reads = qxdaemon::callCount(qxdaemon::Op::ReadEvent) - readsStart;

    qxdaemon::setUp(true);
    send(AcRx::kUnloadDwgMsg);
    send(AcRx::kUnloadAppMsg);
    fs::remove_all(profile);

    if (readerTid == 0 || readerStart < 0) {
        std::fprintf(stderr, "bench_reliability: cannot find the reading thread's CPU time\n");
        return 2;
    }
    const double readerPercent = 100.0 * readerNs / wallNs;
    std::printf(
        "reading thread, daemon down, reads failing at once: %.4f%% of one core "
        "(%.3f ms CPU over %.0f ms; target <= %.0f%%)\n",
        readerPercent, readerNs / 1e6, wallNs / 1e6, kLimitPercent);
    std::printf("reads: %d in %.1f s = %.1f per second\n", reads, wallNs / 1e9,
                reads / (wallNs / 1e9));
    std::printf("whole process (host loop, timer, watchdog, reader): %.4f%% of one core\n",
                100.0 * processNs / wallNs);
    return readerPercent <= kLimitPercent ? 0 : 1;
}
