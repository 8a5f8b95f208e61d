// Steps of the desktop world. Not available in this build yet: every such step
// stops the session with a message that names it.

#include "world_steps.h"

namespace qxsim {

bool runDesktopStep(const Step& step, std::string& error) {
    error = "step '" + step.name + "' is not available in this build";
    return false;
}

}  // namespace qxsim
