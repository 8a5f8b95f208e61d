// stress_race: the race stress as a program for CI and for people.
//   stress_race [--seed N] [--seconds S] [--virtual EVENTS] [--module PATH]
// Real time by default (one daemon event a millisecond for S seconds);
// --virtual plays EVENTS events on the virtual clock instead. Exits 0 when
// every key is accounted for and nothing else went wrong, 1 otherwise, 2 on
// a bad command line.
#include <cstdlib>
#include <iostream>
#include <string>

#include "race_stress.h"

namespace {

int usage() {
    std::cerr << "usage: stress_race [--seed N] [--seconds S] [--virtual EVENTS] [--module PATH]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    stress::StressOptions options;
    options.realTime = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            return usage();
        }
        const std::string value = argv[++i];
        if (arg == "--seed") {
            options.seed = std::strtoull(value.c_str(), nullptr, 0);
        } else if (arg == "--seconds") {
            options.seconds = std::strtod(value.c_str(), nullptr);
        } else if (arg == "--virtual") {
            options.realTime = false;
            options.events = std::atoi(value.c_str());
        } else if (arg == "--module") {
            options.modulePath = value;
        } else {
            return usage();
        }
    }

    std::cout << "stress_race: seed " << options.seed << ", "
              << (options.realTime ? std::to_string(options.seconds) + " s real time"
                                   : std::to_string(options.events) + " events, virtual time")
              << std::endl;
    const stress::StressReport report = stress::runRaceStress(options);
    std::cout << stress::describe(report) << std::flush;
    const bool ok = report.loaded && report.keys.violations.empty() && report.problems.empty();
    std::cout << (ok ? "stress_race: passed" : "stress_race: FAILED") << std::endl;
    return ok ? 0 : 1;
}
