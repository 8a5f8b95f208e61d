// qxsim: a simulated CAD host session. Loads the module, plays a scenario
// against it on the stand-ins' clock and writes the session's transcript.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "options.h"
#include "compare_run.h"
#include "own_files.h"
#include "exit_codes.h"
#include "live_input.h"
#include "live_server.h"
#include "live_session.h"
#include "module_session.h"
#include "picture_book.h"
#include "player.h"
#include "progress.h"
#include "profile.h"
#include "scenario.h"
#include "scenario_check.h"
#include "settings_step.h"
#include "step_reference.h"
#include "stop_signal.h"
#include "transcript.h"
#include "win32_control.h"

namespace qxsim {

extern const char* const kBundledTour;  // examples/tour.qxs, bundled at build time

namespace {

constexpr const char* kBundledTourName = "examples/tour.qxs";
constexpr const char* kStdinName = "<stdin>";
// What a live session without a scenario starts with.
constexpr const char* kLivePreludeName = "<live>";
constexpr const char* kLivePrelude = "drawing sample\nview iso\n";

// Reads at most one byte past kMaxScenarioBytes: enough to know the text is
// too long, without holding a runaway file in memory.
void readBounded(std::istream& in, std::string& text) {
    text.resize(kMaxScenarioBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
}

int fail(int code, const std::string& message) {
    std::cerr << "qxsim: " << message << "\n";
    return code;
}

bool readScenario(const Options& options, std::string& name, std::string& text,
                  std::string& error) {
    if (!options.scenario && options.live) {
        name = kLivePreludeName;
        text = kLivePrelude;
        return true;
    }
    if (!options.scenario) {
        name = kBundledTourName;
        text = kBundledTour;
        return true;
    }
    name = *options.scenario;
    if (name == "-") {
        name = kStdinName;
        // A live session reads its lines while it runs.
        if (!options.realTime) {
            readBounded(std::cin, text);
        }
    } else if (std::string why; !readRegularFile(name, kMaxScenarioBytes, text, why)) {
        error = "cannot read the scenario '" + name + "': " + why;
        return false;
    }
    if (text.size() > kMaxScenarioBytes) {
        error = name + ": a scenario of at most " + std::to_string(kMaxScenarioBytes >> 20) +
                " MiB, found more";
        return false;
    }
    return true;
}

std::string settingsPath(const SessionPaths& paths) {
    return applicationsDir(paths.profileDir) + "/" + kSettingsFileName;
}

std::string menuPath(const SessionPaths& paths) {
    return applicationsDir(paths.profileDir) + "/" + kMenuFileName;
}

// The module's log: the settings file's logFile in the device folder. The
// settings file is read only when the module would read it: a pipe would
// block, a link to an endless device would never end.
std::string logPath(const SessionPaths& paths) {
    const std::string name = settingValue(settingsPath(paths), "logFile");
    return deviceDir(paths.profileDir) + "/" + (name.empty() ? kDefaultLogFileName : name);
}

// The virtual time a scenario spans: the sum of its waits.
std::uint64_t scenarioLengthMs(const StepList& steps) {
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps.kind(i) == StepKind::Wait) {
            total += static_cast<std::uint64_t>(steps[i].integer(0));
        }
    }
    return total;
}

std::string modulePath(const Options& options) {
    if (options.modulePath) {
        return *options.modulePath;
    }
    if (const char* env = std::getenv("QXSIM_MODULE"); env != nullptr && *env != '\0') {
        return env;
    }
    return moduleBesideExecutable();
}

// A path as the system writes it: on Windows with backslashes throughout.
std::string nativePath(const std::string& path) {
    return std::filesystem::path(path).make_preferred().string();
}

int run(int argc, char** argv) {
    CommandLine cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!cl.error.empty()) {
        std::cerr << "qxsim: " << cl.error << "\n" << usageText();
        return kExitScenario;
    }
    const Options& options = cl.options;
    if (options.help) {
        std::cout << usageText();
        return kExitOk;
    }
    if (options.steps) {
        std::cout << stepReference();
        return kExitOk;
    }
    if (options.initProfileDir) {
        std::string report;
        const int code = initProfile(*options.initProfileDir, report);
        (code == kExitOk ? std::cout : std::cerr) << report;
        return code;
    }
    std::string scenarioName, scenarioText, error;
    // A busy port ends a live session before it has touched any file.
    const int listener = options.live ? listenOnLoopback(options.port, error) : -1;
    if (options.live && listener < 0) {
        return fail(kExitIo, error);
    }
    if (!readScenario(options, scenarioName, scenarioText, error)) {
        return fail(kExitScenario, error);
    }
    // A live session hands its start-up scenario on; a scenario's text is
    // kept once, with its steps.
    ParseResult parsed = parseScenario(
        options.live ? std::string(scenarioText) : std::move(scenarioText), scenarioName);
    if (parsed.error) {
        return fail(kExitScenario, parsed.error->text());
    }

    // From here on a stop signal ends the session as its end does.
    catchStopSignals();
    SessionPaths paths;
    FolderLock lock;
    if (std::optional<std::string> pathError = prepareSessionPaths(options, paths, lock)) {
        return fail(kExitIo, *pathError);
    }
    // The default profile is recorded as the session leaves it, however it ends.
    const struct ProfileRecord {
        const SessionPaths& paths;
        ~ProfileRecord() { recordProfile(paths); }
    } record{paths};
    std::cerr << profileNotice(paths);
    // Checked whole before the module loads: a mistake on the last line
    // costs no session.
    const ScenarioCheck check =
        checkScenario(parsed.steps, options.maxTimeMs, settingsPath(paths), menuPath(paths));
    if (check.error) {
        return fail(kExitScenario, check.error->text());
    }
    for (const std::string& warning : check.warnings) {
        std::cerr << "qxsim: warning: " << warning << "\n";
    }
    // The module finds its settings, log and menu files under USERPROFILE.
    setenv("USERPROFILE", paths.profileDir.c_str(), 1);

    resetStandIns();
    // A live session runs on the virtual clock too, paced by the wall clock.
    win32sim::setClockMode(options.realTime ? win32sim::ClockMode::Real
                                            : win32sim::ClockMode::Virtual);
    std::FILE* transcriptFile = openTranscriptFile(paths.transcriptPath, error);
    if (transcriptFile == nullptr) {
        return fail(kExitIo, error);
    }
    transcript::useFile(transcriptFile);
    transcript::setFileLimit(options.maxTranscriptMiB << 20);

    std::optional<PictureBook> pictures;
    if (options.renderDir) {
        pictures.emplace(*options.renderDir, options.maxPictures);
        if (!pictures->open(error)) {
            return fail(kExitIo, error);
        }
    }
    if (options.compareScenario) {
        std::string compared;
        if (int code = playCompared(options, applicationsDir(paths.profileDir), modulePath(options),
                                    compared, error)) {
            return fail(code, error);
        }
        pictures->compareWith(compared, *options.compareScenario, scenarioName);
    }

    // Where the session's files are: told at the end, on standard output and
    // on a live page. Windows paths with one kind of separator.
    const std::pair<const char*, std::string> places[] = {
        {"profile", nativePath(paths.profileDir)},
        {"settings", nativePath(settingsPath(paths))},
        {"log", nativePath(logPath(paths))},
        {"transcript", nativePath(paths.transcriptPath)}};
    std::string summary;
    transcript::Fields json;
    std::error_code ec;
    for (const auto& [name, place] : places) {
        const bool isProfile = std::strcmp(name, "profile") == 0;
        std::string note = isProfile ? " (" + profileKind(paths) + ")" : "";
        if (std::strcmp(name, "settings") == 0 && !paths.hasSettingsFolder) {
            note = " (not made: the profile has no settings folder)";
        } else if (std::strcmp(name, "log") == 0 &&
                   !std::filesystem::is_directory(deviceDir(paths.profileDir), ec)) {
            note = " (not made: the profile has no QuorvexDevice folder)";
        }
        summary += "\n  " + std::string(name) + ":" + std::string(11 - std::strlen(name), ' ') +
                   place + note;
        json.str(name, place);
    }

    ModuleSession module(modulePath(options));
    Player player(module, settingsPath(paths));
    player.setTranscriptLimitMiB(options.maxTranscriptMiB);
    if (options.live) {
        const LiveOptions live{listener,
                               scenarioName,
                               scenarioText,
                               logPath(paths),
                               settingsPath(paths),
                               "{" + json.text().substr(1) + "}",
                               paths.transcriptPath,
                               options.openBrowser};
        int code = runLiveSession(player, live, error);
        if (!transcript::closeFile() && code == kExitOk) {
            code = kExitIo;
            error = "cannot write the transcript '" + paths.transcriptPath + "'";
        }
        if (code != kExitOk) {
            return fail(code, error);
        }
        const LiveRefusals refusals = liveRefusals();
        std::cout << "qxsim: the live session ended" << summary
                  << "\n  refused:    " << refusals.count << " requests (" << refusals.unlogged
                  << " of them not told on standard error)\n";
        return kExitOk;
    }
    const bool live = options.realTime && scenarioName == kStdinName;
    ProgressDisplay progress(stderr, live ? 0 : scenarioLengthMs(parsed.steps));
    player.setProgress(&progress);
    if (pictures) {
        player.setPictureBook(&*pictures);
    }
    int code = live ? playLive(player, scenarioName, error) : player.play(parsed.steps, error);
    progress.clear();
    if (!transcript::closeFile() && code == kExitOk) {
        code = kExitIo;
        error = "cannot write the transcript '" + paths.transcriptPath + "'";
    }
    if (pictures && !pictures->finish(scenarioName)) {
        std::cerr << "qxsim: cannot write every picture into '" << pictures->dir() << "'\n";
        if (code == kExitOk) {
            code = kExitIo;
            error = "pictures incomplete";
        }
    }
    if (pictures && !pictures->stopped().empty()) {
        std::cerr << "qxsim: warning: " << pictures->stopped() << "\n";
    }
    for (const std::string& warning : player.warnings()) {
        std::cerr << "qxsim: warning: " << warning << "\n";
    }
    if (code != kExitOk) {
        return fail(code, error);
    }
    // The bundled tour is no file of the user's folder.
    std::cout << "qxsim: played " << (options.scenario ? scenarioName : "the bundled tour") << " ("
              << (live ? std::string("live, ") : std::to_string(parsed.steps.size()) + " steps, ")
              << win32sim::nowMs() << " ms" << (options.realTime ? "" : " of virtual time") << ")"
              << (options.scenario
                      ? ""
                      : "; its text is " + std::string(kBundledTourName) + " of qxsim's sources")
              << summary << "\n";
    if (pictures) {
        std::cout << "  pictures:   "
                  << nativePath(std::filesystem::absolute(std::filesystem::path(pictures->dir()) /
                                                          "index.html")
                                    .string())
                  << " (" << pictures->count() << " views)\n";
    }
    return kExitOk;
}

}  // namespace
}  // namespace qxsim

int main(int argc, char** argv) {
    return qxsim::run(argc, argv);
}
