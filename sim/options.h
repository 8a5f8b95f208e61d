// qxsim's command line: options in, a filled Options record or an error out.
// Pure; main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qxsim {

struct Options {
    std::optional<std::string> profileDir;       // --profile DIR: used as it is
    std::optional<std::string> transcriptPath;   // --transcript FILE
    std::optional<std::string> renderDir;        // --render DIR
    std::optional<std::string> compareScenario;  // --compare FILE with --render
    std::optional<std::string> modulePath;       // --module PATH
    bool realTime = false;                       // --real-time
    bool live = false;                           // --live: steered from a browser page
    int port = 8765;                             // --port N with --live (0: any free port)
    bool openBrowser = false;                    // --open with --live
    bool help = false;                           // --help
    // --max-time MS: the most virtual time the scenario may span (its waits).
    std::uint64_t maxTimeMs = 24ull * 60 * 60 * 1000;
    // --max-transcript MIB: past this the session stops.
    std::uint64_t maxTranscriptMiB = 256;
    // --max-pictures N: past this --render draws nothing more.
    std::uint64_t maxPictures = 3000;
    bool steps = false;                         // --steps: the step reference
    std::optional<std::string> initProfileDir;  // --init-profile DIR: make a usable profile
    std::optional<std::string> scenario;        // a file, "-" for standard input, or none
};

struct CommandLine {
    Options options;
    std::string error;  // empty when the command line is fine
};

// `args` are the arguments after the program name. Options take their value
// as the next argument or after '=' (--profile=DIR). "--" ends the options.
CommandLine parseCommandLine(const std::vector<std::string>& args);

std::string usageText();

}  // namespace qxsim
