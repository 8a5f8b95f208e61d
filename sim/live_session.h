// qxsim --live: the session runs on the wall clock and a browser page steers
// it (see live_server.h for the page's requests). Host's main thread: it
// alone plays steps and touches the stand-ins; the HTTP threads hand steps
// over through a queue that this thread drains between timer ticks, and
// device steps also during a tick, between the frames of its redraws.
#pragma once

#include <string>
#include <vector>

#include "live_replay.h"
#include "player.h"

namespace qxsim {

struct LiveOptions {
    int port = 8765;
    std::string preludeName;  // for messages
    std::string prelude;      // scenario text played before the page takes over
    std::string logPath;      // the module's log, shown on the page
    std::string places;       // where the session's files are, as JSON, told the page at the end
    ReplaySetup replay;       // how a download is replayed for calibration
};

// Plays the prelude, loads the module, prints the page's URL on standard
// output and runs until the page ends the session or qxsim gets SIGINT or
// SIGTERM. Returns an exit code and sets `error`.
int runLiveSession(Player& player, const LiveOptions& options, std::string& error);

}  // namespace qxsim
