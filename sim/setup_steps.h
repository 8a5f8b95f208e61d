// Scenario steps that set up the simulated world around the module: the
// drawing (drawing, line, circle, layer, view, camera, paperview, select) and
// the desktop (pointer, window). Run on the host's main thread, at the
// step's time, whether the module is loaded or not, through the stand-ins'
// control headers only.
#pragma once

#include <string>

#include "scenario.h"

namespace qxsim {

// Each carries out one step of its group. On a step that cannot be carried
// out (for example an entity index that does not exist) it returns false and
// sets `error` to what was expected and what was found, without file and
// line: the player adds those and stops the session with exit code 2.
bool runDrawingStep(const Step& step, std::string& error);
bool runDesktopStep(const Step& step, std::string& error);

}  // namespace qxsim
