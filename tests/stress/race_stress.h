// The race stress: the plug-in module loaded as the host loads it, the
// simulated daemon sending motion samples, numbered device keys, special
// functions and its own settings and mode events at 1 kHz, while the host
// thread runs the timer ticks, the four toggle commands, document and space
// switches, pointer moves, selections and rotation-setting changes, all drawn
// from one seed. Host thread only; one run at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "key_check.h"

namespace stress {

struct StressOptions {
    std::uint64_t seed = 1;
    // Real time: the daemon runs on its own thread and sends one event a
    // millisecond of wall-clock time for `seconds`. Virtual time: the
    // daemon's sends are scheduled on the virtual clock, `events` of them,
    // and a run is the same every time.
    bool realTime = false;
    double seconds = 60.0;
    int events = 5000;
    std::string modulePath;  // empty: libqxautocad.so beside the executable
};

struct StressReport {
    bool realTime = false;
    bool loaded = false;
    std::string error;  // why the run could not be made
    int eventsSent = 0;
    int eventsDropped = 0;  // by the daemon: sent while nobody was signed on
    int eventsRead = 0;
    double seconds = 0.0;  // wall-clock length of the event stream
    int ticks = 0;
    int viewUpdates = 0;   // 3D navigation steps
    int paperUpdates = 0;  // 2D navigation steps
    int redraws = 0;       // objects moved
    int scrollMessages = 0;
    int commands = 0;
    int documentSwitches = 0;
    int spaceSwitches = 0;
    int pointerMoves = 0;
    int specialsSent = 0;
    int specialsRun = 0;
    int logBackups = 0;  // .bak files the log left at unload (0 or 1)
    KeyVerdict keys;
    std::vector<std::string> problems;  // besides key violations
};

StressReport runRaceStress(const StressOptions& options);

// A few lines of figures for a person.
std::string describe(const StressReport& report);

}  // namespace stress
