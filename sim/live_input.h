// A live session: steps typed on standard input while the session runs on
// the wall clock (qxsim --real-time -). Main thread.
#pragma once

#include <string>

#include "player.h"

namespace qxsim {

// Loads the module at once, then reads lines from standard input until its
// end and plays each step as it comes; between lines the host's message loop delivers the module's
// timers. A bad line is reported on standard error and skipped, so a typing
// mistake does not end the session. Returns an exit code (a failed load
// ends the session with kExitModule).
int playLive(Player& player, const std::string& name, std::string& error);

}  // namespace qxsim
