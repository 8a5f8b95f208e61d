// Runs qxsim as a child process and compares what it wrote with golden files.

#include "e2e_support.h"

#include "test_host.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

extern char** environ;

namespace e2e {
namespace fs = std::filesystem;

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return;
    }
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

int spawnAndWait(const std::vector<std::string>& args, const std::string& dir,
                 const std::string& stdinPath, const RunSetup& setup, long& peakKiB) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, (dir + "/stdout.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir + "/stderr.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return -1;
    }
    if (setup.whileRunning) {
        setup.whileRunning(pid, dir);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
    }
    peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The line cut at its numbers (JSON's form; digits inside a word or a
// longer number such as 0x20021 or 2.9.0 are text): the texts around them,
// and the numbers.
void splitAtNumbers(const std::string& line, std::vector<std::string>& texts,
                    std::vector<std::string>& numbers) {
    static const std::regex kNumber(R"((^|[^\w.-])(-?\d+(?:\.\d+)?(?:[eE][+-]?\d+)?)(?![\w.]))");
    std::size_t from = 0;
    for (std::sregex_iterator it(line.begin(), line.end(), kNumber), end; it != end; ++it) {
        const auto at = static_cast<std::size_t>(it->position(2));
        texts.push_back(line.substr(from, at - from));
        numbers.push_back(it->str(2));
        from = at + numbers.back().size();
    }
    texts.push_back(line.substr(from));
}

// Up to five lines of each from line `at` on.
std::string diffFrom(const std::vector<std::string>& expected,
                     const std::vector<std::string>& actual, std::size_t at) {
    std::ostringstream out;
    out << "first difference at line " << at + 1 << ":\n";
    for (const auto& [sign, lines] : {std::pair{"- ", &expected}, {"+ ", &actual}}) {
        for (std::size_t k = at; k < std::min(at + 5, lines->size()); ++k) {
            out << sign << (*lines)[k] << "\n";
        }
    }
    return out.str();
}

}  // namespace

bool sameWithinTolerance(const std::string& expected, const std::string& actual) {
    std::vector<std::string> texts[2], numbers[2];
    splitAtNumbers(expected, texts[0], numbers[0]);
    splitAtNumbers(actual, texts[1], numbers[1]);
    if (texts[0] != texts[1]) {
        return false;
    }
    for (std::size_t i = 0; i < numbers[0].size(); ++i) {
        const std::string& x = numbers[0][i];
        const std::string& y = numbers[1][i];
        if ((x + y).find_first_of(".eE") == std::string::npos) {
            if (x != y) {
                return false;
            }
            continue;
        }
        const double a = std::strtod(x.c_str(), nullptr), b = std::strtod(y.c_str(), nullptr);
        const double scale = std::max(std::fabs(a), std::fabs(b));
        if (!(std::fabs(a - b) <= std::max(kGoldenAbsTolerance, kGoldenRelTolerance * scale))) {
            return false;
        }
    }
    return true;
}

SimRun runQxsim(const std::string& scenario, const RunSetup& setup) {
    SimRun run;
    std::string pattern = (fs::temp_directory_path() / "qxsim-e2e-XXXXXX").string();
    run.dir = !setup.dir.empty() ? setup.dir : mkdtemp(pattern.data()) ? pattern : "";
    if (setup.prepare) {
        setup.prepare(run.dir);
    }
    // qxsim dies with the test, as the test with its runner.
    std::vector<std::string> args = {"/usr/bin/setpriv", "--pdeathsig=KILL"};
    args.insert(args.end(), setup.launcher.begin(), setup.launcher.end());
    args.push_back(QXSIM_EXE);
    if (setup.giveProfile) {
        run.profile = run.dir + "/profile";
        fs::create_directories(run.profile);
        if (setup.withApplicationsFolder) {
            fs::path apps = fs::path(run.profile) / "QuorvexDevice" / "Applications";
            fs::create_directories(apps);
            if (setup.menu.empty()) {
                fs::copy_file(QX_EXAMPLES_DIR "/autocad.mnu", apps / "autocad.mnu");
            } else {
                writeFile(apps / "autocad.mnu", setup.menu);
            }
            if (!setup.settings.empty()) {
                writeFile(apps / "autocad_addin.ini", setup.settings);
            } else if (setup.seedSettings) {
                fs::copy_file(QX_E2E_DIR "/profile/autocad_addin.ini", apps / "autocad_addin.ini");
            }
        }
        args.insert(args.end(), {"--profile", run.profile});
    } else {
        run.profile = run.dir + "/qxsim-profile";
    }
    const std::string transcriptPath =
        setup.giveTranscript
            ? run.dir + "/transcript.jsonl"
            : (fs::path(run.profile).parent_path() / "qxsim-transcript.jsonl").string();
    if (setup.giveTranscript) {
        args.insert(args.end(), {"--transcript", transcriptPath});
    }
    args.insert(args.end(), setup.extraArgs.begin(), setup.extraArgs.end());
    std::string stdinPath = "/dev/null";
    if (setup.passScenario) {
        writeFile(run.dir + "/scenario.qxs", scenario);
        args.push_back(setup.scenarioOnStdin ? "-" : "scenario.qxs");
        if (setup.scenarioOnStdin) {
            stdinPath = run.dir + "/scenario.qxs";
        }
    }
    if (!setup.dir.empty()) {
        std::error_code ec;
        fs::remove(transcriptPath, ec);  // an earlier run's, in a folder run in again
    }
    run.exitCode = spawnAndWait(args, run.dir, stdinPath, setup, run.peakKiB);
    run.out = readFile(run.dir + "/stdout.txt");
    run.err = readFile(run.dir + "/stderr.txt");
    for (const std::string& line : readLines(transcriptPath)) {
        run.transcript.push_back(maskPaths(line, run));
    }
    std::vector<std::string> log;
    for (const std::string& line :
         readLines(run.profile + "/QuorvexDevice/autocad_addin_log.txt")) {
        log.push_back(maskPaths(line, run));
    }
    run.log = maskLog(log);
    return run;
}

void removeRun(const SimRun& run) {
    std::error_code ec;
    fs::remove_all(run.dir, ec);
}

std::string maskPaths(const std::string& text, const SimRun& run) {
    std::string masked = text;
    replaceAll(masked, run.profile, "<PROFILE>");
    replaceAll(masked, run.dir, "<RUN>");
    replaceAll(masked, fs::path(QXSIM_EXE).parent_path().string(), "<BIN>");
    return masked;
}

namespace {

bool isDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::vector<std::string> maskLog(const std::vector<std::string>& lines) {
    // "hh:mm:ss.mmm|TAG|   tid|            file| line| class::method| text"
    const std::string opened = "' opened at ";
    std::map<std::string, std::string> threads;
    std::vector<std::string> masked;
    for (const std::string& line : lines) {
        std::vector<std::string> columns;
        std::size_t from = 0;
        for (int i = 0; i < 5; ++i) {
            std::size_t bar = line.find('|', from);
            if (bar == std::string::npos) {
                break;
            }
            columns.push_back(line.substr(from, bar - from));
            from = bar + 1;
        }
        if (columns.size() == 5 && columns[0].size() == 12 && columns[0][2] == ':' &&
            isDigits(trimmed(columns[2])) && isDigits(trimmed(columns[4]))) {
            auto [it, added] =
                threads.emplace(trimmed(columns[2]), "T" + std::to_string(threads.size() + 1));
            char tid[8];
            std::snprintf(tid, sizeof(tid), "%6s", it->second.c_str());
            masked.push_back("hh:mm:ss.mmm|" + columns[1] + "|" + tid + "|" + columns[3] +
                             "| line|" + line.substr(from));
        } else if (line.rfind("Quorvex logfile '", 0) == 0 &&
                   line.find(opened) != std::string::npos) {
            masked.push_back(line.substr(0, line.find(opened) + opened.size()) + "<DATE>");
        } else {
            masked.push_back(line);
        }
    }
    return masked;
}

std::string compareWithGolden(const std::vector<std::string>& actual, const std::string& name) {
    const fs::path golden = fs::path(QX_E2E_DIR) / "golden" / name;
    if (const char* update = std::getenv("QX_UPDATE_GOLDEN");
        update && std::string(update) == "1") {
        std::string text;
        for (const std::string& line : actual) {
            text += line + "\n";
        }
        writeFile(golden, text);
        return "";
    }
    if (!fs::exists(golden)) {
        return "golden file " + golden.string() + " is missing";
    }
    const std::vector<std::string> expected = readLines(golden.string());
    const auto [e, a] = std::mismatch(
        expected.begin(), expected.end(), actual.begin(), actual.end(),
        [](const std::string& x, const std::string& y) { return sameWithinTolerance(x, y); });
    if (e == expected.end() && a == actual.end()) {
        return "";
    }
    return "differs from " + golden.string() + " (- golden, + this run):\n" +
           diffFrom(expected, actual, static_cast<std::size_t>(e - expected.begin()));
}

}  // namespace e2e
