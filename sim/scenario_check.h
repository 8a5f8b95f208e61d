// The check of a whole scenario before any of it plays: every step's values
// against the world the steps before it built (entity numbers of the drawing
// so far, open drawings, a loaded or unloaded module), command names against
// the module's command table, key codes against the keys the module takes
// and the menu file's macros, `setting` steps against the settings keys and
// the profile's settings file, and the virtual time the waits add up to.
// Host's main thread, before the session's transcript opens: it sets the
// stand-ins up as the steps would, without the module, and resets them
// afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace qxsim {

struct ScenarioCheck {
    // The first step that could not be played, with its file and line.
    std::optional<ScenarioError> error;
    // Steps that play but do not do what they seem to, each with its file and
    // line: a key the module answers with an ERR entry of its log, or ignores.
    std::vector<std::string> warnings;
};

// `maxTimeMs` bounds the sum of the waits; `settingsPath` and `menuPath` are
// the profile's settings file, which `setting` steps write, and menu file,
// whose macros the application keys run.
ScenarioCheck checkScenario(const StepList& steps, std::uint64_t maxTimeMs,
                            const std::string& settingsPath, const std::string& menuPath);

}  // namespace qxsim
