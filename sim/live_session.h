// qxsim --live: a browser page steers the session (see live_server.h for the
// page's requests). The session runs on the virtual clock, as a scenario
// does, held back so that it never runs ahead of the wall clock: at each
// millisecond of the clock the host's main thread takes the steps the page
// sent. A device step goes at once, whatever the host is doing; a host step
// waits for an idle host, as the player runs a scenario's. The recording
// lists them with that time, so that a replay plays the same session. Host's
// main thread: it alone plays steps and touches the stand-ins; the HTTP
// threads hand steps over through a queue.
#pragma once

#include <string>
#include <vector>

#include "player.h"

namespace qxsim {

struct LiveOptions {
    int listener = -1;           // listening socket (listenOnLoopback), handed to the server
    std::string preludeName;     // for messages
    std::string prelude;         // scenario text played before the page takes over
    std::string logPath;         // the module's log, shown on the page
    std::string settingsPath;    // the module's settings: the recording starts from their values
    std::string places;          // where the session's files are, as JSON, told the page at the end
    std::string transcriptPath;  // the URL's file goes beside it
    bool openBrowser = false;    // --open: the user's browser is started on the page
};

// Plays the prelude in virtual time, loads the module, prints the page's URL
// (with the launch token) on standard output, writes it to a file beside the
// transcript that only the user may read, and runs until the page ends the
// session or qxsim gets SIGINT or SIGTERM; the file is removed then. Returns
// an exit code and sets `error`. The clock must be virtual.
int runLiveSession(Player& player, const LiveOptions& options, std::string& error);

}  // namespace qxsim
