// Parses qxsim's options (see usageText()).

#include "options.h"

namespace qxsim {
namespace {

struct ValueOption {
    const char* name;
    std::optional<std::string> Options::*member;
};

const ValueOption kValueOptions[] = {
    {"--profile", &Options::profileDir},
    {"--transcript", &Options::transcriptPath},
    {"--render", &Options::renderDir},
    {"--module", &Options::modulePath},
};

}  // namespace

std::string usageText() {
    return "usage: qxsim [--profile DIR] [--transcript FILE] [--render DIR] [--real-time]\n"
           "             [--module PATH] [SCENARIO | -]\n"
           "  --profile DIR     profile folder the module sees as USERPROFILE, used as it is\n"
           "                    (default ./qxsim-profile, created with a sample menu file)\n"
           "  --transcript FILE JSON Lines record of the session\n"
           "                    (default: qxsim-transcript.jsonl beside the profile folder)\n"
           "  --render DIR      SVG pictures of the view and an index.html\n"
           "  --real-time       run on the wall clock instead of virtual time\n"
           "  --module PATH     the module to load (default: libqxautocad.so beside qxsim,\n"
           "                    or the environment variable QXSIM_MODULE)\n"
           "  SCENARIO          scenario file, '-' for standard input\n"
           "                    (default: the bundled examples/tour.qxs)\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    Options& options = result.options;
    bool optionsEnded = false;
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
        if (arg == "--help") {
            options.help = true;
            continue;
        }
        std::string name = arg.substr(0, arg.find('='));
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
    return result;
}

}  // namespace qxsim
