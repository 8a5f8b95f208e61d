// The other run of a comparison, in a process of its own.

#include "compare_run.h"

#include <cerrno>
#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "exit_codes.h"
#include "file_kind.h"  // the module's limit of a file it reads
#include "own_files.h"
#include "profile.h"

namespace qxsim {
namespace {

namespace fs = std::filesystem;

// An earlier comparison's CSV files in `folder`: qxsim's own are removed, so
// that a motion the other run does not have is drawn alone.
bool removeEarlierCharts(const fs::path& folder, std::string& error) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("motion-") && name.ends_with(".csv") &&
            !removeOwnFile(entry.path().string(), "motion,", error)) {
            return false;
        }
    }
    return true;
}

// The files a session starts from, copied into the other run's profile (or
// none there where this session has none).
bool copyProfile(const std::string& from, const fs::path& to, std::string& error) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) {
        error = "cannot make the folder '" + to.string() + "': " + ec.message();
        return false;
    }

    for (const char* name : {kSettingsFileName, kMenuFileName}) {
        const std::string target = (to / name).string();
        const std::string source = (fs::path(from) / name).string();
        // The profile under DIR/compared is qxsim's own: its earlier files,
        // whatever they hold, are replaced; nothing else is.
        if (!fs::exists(source, ec)) {
            if (!removeOwnFile(target, "", error)) {
                return false;
            }
            continue;
        }
        std::string text, why;
        if (!readRegularFile(source, kMaxReadFileBytes, text, why)) {
            error = "cannot read '" + source + "': " + why;
            return false;
        }
        std::FILE* file = openOwnFile(target, "", "a compared run's profile file", false, error);
        if (file == nullptr) {
            return false;
        }
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) != 0 || !written) {
            error = "cannot write '" + target + "'";
            return false;
        }
    }
    return true;
}

}  // namespace

int playCompared(const Options& options, const std::string& fromApplications,
                 const std::string& module, std::string& dir, std::string& error) {
    const fs::path folder = fs::path(*options.renderDir) / "compared";
    dir = folder.string();
    const fs::path profile = folder / "profile";
    const fs::path applications = applicationsDir(profile.string());
    // The folders are ours: none of them a link put in the place of one.
    for (fs::path made = applications;; made = made.parent_path()) {
        std::error_code ec;
        if (fs::is_symlink(made, ec)) {
            error = "'" + made.string() + "' is a link: no comparison is played there";
            return kExitIo;
        }
        if (made == folder) {
            break;
        }
    }
    std::error_code ec;
    if (!fs::is_directory(fromApplications, ec)) {
        // The other run would make that folder and so play as an installed
        // module does, this one as one without the device's driver.
        error = "--compare needs a profile with its settings folder '" + fromApplications +
                "', so that both runs start alike; qxsim --init-profile makes one";
        return kExitScenario;
    }
    if (!copyProfile(fromApplications, applications, error) ||
        !removeEarlierCharts(folder, error)) {
        return kExitIo;
    }
#ifdef _WIN32
    (void)module;
    error = "--compare is not available in the Windows build";
    return kExitScenario;
#else
    std::vector<std::string> args = {"qxsim",
                                     "--profile",
                                     profile.string(),
                                     "--transcript",
                                     (folder / kDefaultTranscriptName).string(),
                                     "--render",
                                     dir,
                                     "--module",
                                     module,
                                     "--max-time",
                                     std::to_string(options.maxTimeMs),
                                     "--max-transcript",
                                     std::to_string(options.maxTranscriptMiB),
                                     "--max-pictures",
                                     std::to_string(options.maxPictures)};
    if (options.realTime) {
        args.push_back("--real-time");
    }
    args.insert(args.end(), {"--", *options.compareScenario});
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // Its summary is not this session's; its errors and warnings are shown.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = "cannot start qxsim for '" + *options.compareScenario + "'";
        return kExitIo;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : kExitIo;
    if (code != kExitOk) {
        error = "the scenario compared with, '" + *options.compareScenario +
                "', did not play (exit " + std::to_string(code) + ")";
    }
    return code;
#endif
}

}  // namespace qxsim
