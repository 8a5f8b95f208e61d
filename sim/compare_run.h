// qxsim --render DIR --compare OTHER: OTHER is played first, by a qxsim of
// its own, into DIR/compared (its pictures, charts and CSV files, its
// transcript, and its profile, made there from copies of this session's
// settings and menu files so that both runs start alike); this session's
// charts are then drawn over its motions. Main thread, before the session
// plays.
#pragma once

#include <string>

#include "options.h"

namespace qxsim {

// Plays options.compareScenario with the module at `module`, its profile
// made from the files in `fromApplications`. Returns the other run's exit
// code (kExitOk when it played) and sets `dir` to its folder, or `error`.
int playCompared(const Options& options, const std::string& fromApplications,
                 const std::string& module, std::string& dir, std::string& error);

}  // namespace qxsim
