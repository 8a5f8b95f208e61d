// qxsim --live in the Windows build: the browser session's HTTP server is
// POSIX only, so the Windows qxsim refuses --live with a message instead of
// starting a session without its page.
#include "exit_codes.h"
#include "live_server.h"
#include "live_session.h"

namespace qxsim {

// Nothing to bind: runLiveSession() refuses the session.
int listenOnLoopback(int, std::string&) {
    return 0;
}

int runLiveSession(Player&, const LiveOptions&, std::string& error) {
    error = "--live is part of the Linux build of qxsim only";
    return kExitScenario;
}

LiveRefusals liveRefusals() {
    return {};
}

}  // namespace qxsim
