// CPU time (user and system) of one qxsim process playing a scenario, with
// --render (pictures, and the charts and CSV files of the motions where the
// build draws them) and without. The process's own time is what counts: the
// machine's other work does not. QXSIM=PATH measures another qxsim.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path& workDir() {
    static const fs::path dir = [] {
        const fs::path d =
            fs::temp_directory_path() / ("qx_render_bench_" + std::to_string(getpid()));
        fs::create_directories(d);
        // A twist held for 40 minutes of virtual time: about 150000 passes.
        std::ofstream(d / "long.qxs") << "drawing sample\nwait 100\ncap 0 0 0 0 200 0\n"
                                         "wait 2400000\nrelease\nwait 200\n";
        return d;
    }();
    return dir;
}

// Runs qxsim in the work folder; returns its CPU seconds, or -1.
double cpuSeconds(std::vector<std::string> args) {
    const char* other = std::getenv("QXSIM");
    args.insert(args.begin(), other != nullptr ? other : QXSIM_EXE);
    fs::remove_all(workDir() / "pictures");
    fs::remove_all(workDir() / "qxsim-profile");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir().c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (rc != 0 || wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void play(benchmark::State& state, std::vector<std::string> args) {
    for (auto _ : state) {
        const double seconds = cpuSeconds(args);
        if (seconds < 0) {
            state.SkipWithError("qxsim failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

}  // namespace

BENCHMARK_CAPTURE(play, tour, std::vector<std::string>{})->UseManualTime()->Iterations(10);
BENCHMARK_CAPTURE(play, tour_rendered, std::vector<std::string>{"--render", "pictures"})
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(play, long_motion, std::vector<std::string>{"long.qxs"})
    ->UseManualTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(play, long_motion_rendered,
                  std::vector<std::string>{"--render", "pictures", "long.qxs"})
    ->UseManualTime()
    ->Iterations(3);

BENCHMARK_MAIN();
