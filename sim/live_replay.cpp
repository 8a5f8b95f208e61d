// Calibration replays in a child qxsim.

#include "live_replay.h"

#include "file_kind.h"
#include "profile.h"
#include "settings_step.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace qxsim {
namespace {

namespace fs = std::filesystem;

std::string makeTempDir(const char* name) {
    std::error_code ec;
    std::string dir = (fs::temp_directory_path(ec) / name).string();
    return !ec && mkdtemp(dir.data()) != nullptr ? dir : std::string();
}

bool isPassLine(const std::string& line) {
    return line.find("\"ev\":\"view\"") != std::string::npos ||
           line.find("\"ev\":\"paper_view\"") != std::string::npos;
}

bool isRestLine(const std::string& line) {
    return line.find("\"ev\":\"view_saved\"") != std::string::npos;
}

std::int64_t timeOf(const std::string& line) {
    return std::strtoll(line.c_str() + 5, nullptr, 10);
}

int runChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

// Copies the files of folder `from` that the module would read (regular, of
// bounded size) into `to`: a pipe or an endless device there is left behind.
void copyReadableFiles(const fs::path& from, const fs::path& to, std::error_code& ec) {
    for (const fs::directory_entry& entry : fs::directory_iterator(from, ec)) {
        if (isReadableRegularFile(entry.path().string())) {
            fs::copy_file(entry.path(), to / entry.path().filename(),
                          fs::copy_options::overwrite_existing, ec);
        }
    }
}

std::optional<ReplayTimes> replayOnce(const ReplaySetup& setup, const std::string& scenario) {
    std::error_code ec;
    const std::string made = makeTempDir("qxsim-live-XXXXXX");
    if (made.empty()) {
        return std::nullopt;
    }
    const fs::path dir = made;
    const fs::path apps = applicationsDir((dir / "profile").string());
    fs::create_directories(apps, ec);
    copyReadableFiles(setup.settingsDir, apps, ec);
    std::ofstream(dir / "live.qxs") << scenario;
    std::optional<ReplayTimes> passes;
    const int status = runChild({setup.qxsim, "--profile", (dir / "profile").string(),
                                 "--transcript", (dir / "replay.jsonl").string(), "--module",
                                 setup.module, (dir / "live.qxs").string()});
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::ifstream in(dir / "replay.jsonl");
        std::optional<std::int64_t> load;
        passes.emplace();
        for (std::string line; std::getline(in, line);) {
            if (!load && line.find("\"ev\":\"load\"") != std::string::npos) {
                load = timeOf(line);
            } else if (load && isPassLine(line)) {
                passes->passes.push_back(timeOf(line) - *load - setup.preludeMs);
                passes->lastView = viewNumbers(line);
            } else if (load && isRestLine(line)) {
                passes->rests.push_back(timeOf(line) - *load - setup.preludeMs);
                passes->lastView = viewNumbers(line);
            }
        }
    }
    fs::remove_all(dir, ec);
    return passes;
}

}  // namespace

SettingsSnapshot::SettingsSnapshot(const std::string& settingsDir)
    : mDir(makeTempDir("qxsim-live-settings-XXXXXX")) {
    std::error_code ec;
    if (!mDir.empty()) {
        copyReadableFiles(settingsDir, mDir, ec);
    }
    if (ec && !mDir.empty()) {
        fs::remove_all(mDir, ec);
        mDir.clear();
    }
}

SettingsSnapshot::~SettingsSnapshot() {
    std::error_code ec;
    if (!mDir.empty()) {
        fs::remove_all(mDir, ec);
    }
}

std::string SettingsSnapshot::steps() const {
    return mDir.empty() ? std::string()
                        : settingSteps((fs::path(mDir) / kSettingsFileName).string());
}

PassReplayer childReplayer(ReplaySetup setup) {
    return [setup](const std::string& scenario) { return replayOnce(setup, scenario); };
}

}  // namespace qxsim
