// The check of a whole scenario before any of it plays: every step's values
// against the world the steps before it built (entity numbers of the drawing
// so far, open drawings, a loaded or unloaded module), key codes, and the
// virtual time the waits add up to. Host's main thread, before the session's
// transcript opens: it sets the stand-ins up as the steps would, without the
// module, and resets them afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace qxsim {

// The first step that could not be played, with its file and line; none when
// every step can. `maxTimeMs` bounds the sum of the waits; `settingsPath` is
// the settings file whose keys `setting` steps name.
std::optional<ScenarioError> checkScenario(const StepList& steps, std::uint64_t maxTimeMs,
                                           const std::string& settingsPath);

}  // namespace qxsim
