// Replays of a live session's scenario in virtual time, by a qxsim of its
// own (a child process with a profile of its own), for calibrate(). Any
// thread: it touches nothing of this process's simulated world.
#pragma once

#include <cstdint>
#include <string>

#include "live_recorder.h"

namespace qxsim {

struct ReplaySetup {
    std::string qxsim;           // this executable
    std::string module;          // the module it loads
    std::string settingsDir;     // the live profile's QuorvexDevice/Applications: copied
    std::int64_t preludeMs = 0;  // waits of the prelude: the live time starts after them
};

PassReplayer childReplayer(ReplaySetup setup);

}  // namespace qxsim
