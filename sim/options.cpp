// Parses qxsim's options (see usageText()).

#include "options.h"

namespace qxsim {
namespace {

struct ValueOption {
    const char* name;
    std::optional<std::string> Options::*member;
};

struct NumberOption {
    const char* name;
    std::uint64_t Options::*member;
    std::uint64_t lo;
    std::uint64_t hi;
};

const NumberOption kNumberOptions[] = {
    {"--max-time", &Options::maxTimeMs, 1, 1000ull * 24 * 60 * 60 * 1000},  // up to 1000 days
    {"--max-transcript", &Options::maxTranscriptMiB, 1, 1024 * 1024},       // up to 1 TiB
    {"--max-pictures", &Options::maxPictures, 1, 1000000},
};

// A whole number from `lo` to `hi` in decimal digits, or none.
std::optional<std::uint64_t> wholeNumber(const std::string& text, std::uint64_t lo,
                                         std::uint64_t hi) {
    if (text.empty() || text.size() > 15 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::uint64_t value = std::stoull(text);
    return value >= lo && value <= hi ? std::optional(value) : std::nullopt;
}

const ValueOption kValueOptions[] = {
    {"--profile", &Options::profileDir},
    {"--transcript", &Options::transcriptPath},
    {"--render", &Options::renderDir},
    {"--compare", &Options::compareScenario},  // goes with --render
    {"--module", &Options::modulePath},
    {"--init-profile", &Options::initProfileDir},
};

}  // namespace

std::string usageText() {
    return "usage: qxsim [--profile DIR] [--transcript FILE] [--render DIR] [--real-time]\n"
           "             [--module PATH] [--max-time MS] [--max-transcript MIB]\n"
           "             [--compare FILE] [--max-pictures N] [SCENARIO | -]\n"
           "       qxsim --live [--port N] [--open] [options] [SCENARIO]\n"
           "       qxsim --steps\n"
           "       qxsim --init-profile DIR\n"
           "  --profile DIR     profile folder the module sees as USERPROFILE, used as it is\n"
           "                    and kept across runs (default ./qxsim-profile, made afresh\n"
           "                    for each run with the bundled settings and menu files)\n"
           "  --transcript FILE JSON Lines record of the session\n"
           "                    (default: qxsim-transcript.jsonl beside the profile folder)\n"
           "  --render DIR      SVG pictures of the view, a chart and a CSV file of each\n"
           "                    motion's passes, and an index.html\n"
           "  --compare FILE    with --render: play scenario FILE first and draw each\n"
           "                    motion's chart over the same motion of FILE's run\n"
           "  --max-pictures N  the most pictures --render draws (default 3000)\n"
           "  --real-time       run on the wall clock instead of virtual time\n"
           "  --live            steer the session from a browser page on 127.0.0.1, on the\n"
           "                    virtual clock kept to the wall clock; SCENARIO, played first in\n"
           "                    virtual time, sets the world up (default: the sample drawing)\n"
           "  --port N          the page's port with --live (default 8765, 0: any free port)\n"
           "  --open            with --live: start the browser on the page (xdg-open)\n"
           "  --module PATH     the module to load (default: libqxautocad.so beside qxsim,\n"
           "                    or the environment variable QXSIM_MODULE)\n"
           "  --max-time MS     the most virtual time a scenario may span, its waits added up\n"
           "                    (default 86400000, a day)\n"
           "  --max-transcript MIB  the transcript's largest size: the session stops with an\n"
           "                    error there (default 256)\n"
           "  SCENARIO          scenario file, '-' for standard input\n"
           "                    (default: the bundled examples/tour.qxs)\n"
           "  --steps           print every scenario step with its values and an example,\n"
           "                    and the settings keys\n"
           "  --init-profile DIR  make DIR a profile for --profile: its settings folder with\n"
           "                    the bundled settings and menu files (files there are kept)\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    Options& options = result.options;
    bool optionsEnded = false;
    bool portGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.rfind("--", 0) != 0) {
            if (options.scenario) {
                result.error =
                    "more than one scenario given: '" + *options.scenario + "' and '" + arg + "'";
                return result;
            }
            options.scenario = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--real-time") {
            options.realTime = true;
            continue;
        }
        if (arg == "--live") {
            options.live = true;
            continue;
        }
        if (arg == "--open") {
            options.openBrowser = true;
            continue;
        }
        if (arg == "--steps") {
            options.steps = true;
            continue;
        }
        if (arg == "--help") {
            options.help = true;
            continue;
        }
        std::string name = arg.substr(0, arg.find('='));
        if (name == "--port") {
            std::string value = name.size() < arg.size() ? arg.substr(name.size() + 1)
                                : i + 1 < args.size()    ? args[++i]
                                                         : std::string();
            if (value.empty() || value.size() > 5 ||
                value.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(value) > 65535) {
                result.error = "option --port expects a port number from 0 to 65535";
                return result;
            }
            options.port = std::stoi(value);
            portGiven = true;
            continue;
        }
        const NumberOption* number = nullptr;
        for (const NumberOption& option : kNumberOptions) {
            if (name == option.name) {
                number = &option;
            }
        }
        if (number != nullptr) {
            std::string value = name.size() < arg.size() ? arg.substr(name.size() + 1)
                                : i + 1 < args.size()    ? args[++i]
                                                         : std::string();
            const std::optional<std::uint64_t> parsed = wholeNumber(value, number->lo, number->hi);
            if (!parsed) {
                result.error = "option " + name + " expects a whole number from " +
                               std::to_string(number->lo) + " to " + std::to_string(number->hi);
                return result;
            }
            options.*(number->member) = *parsed;
            continue;
        }
        const ValueOption* match = nullptr;
        for (const ValueOption& option : kValueOptions) {
            if (name == option.name) {
                match = &option;
            }
        }
        if (match == nullptr) {
            result.error = "unknown option '" + arg + "'";
            return result;
        }
        std::string value;
        if (name.size() < arg.size()) {
            value = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            result.error = "option " + name + " expects a value";
            return result;
        }
        if (value.empty()) {
            result.error = "option " + name + " expects a non-empty value";
            return result;
        }
        options.*(match->member) = value;
    }
    if (options.initProfileDir && (options.scenario || options.live)) {
        result.error = "option --init-profile makes a profile and plays nothing: it goes alone";
    } else if (options.compareScenario && !options.renderDir) {
        result.error = "option --compare draws charts: it goes with --render";
    } else if (portGiven && !options.live) {
        result.error = "option --port goes with --live";
    } else if (options.openBrowser && !options.live) {
        result.error = "option --open goes with --live";
    } else if (options.live && options.renderDir) {
        result.error =
            "a live session draws its pictures on the page: --render goes without --live";
    } else if (options.live && options.realTime) {
        result.error =
            "a live session keeps the virtual clock to the wall clock by itself: "
            "--real-time goes without --live";
    } else if (options.live && options.scenario && *options.scenario == "-") {
        result.error = "a live session takes its steps from the page, not from standard input";
    }
    return result;
}

}  // namespace qxsim
