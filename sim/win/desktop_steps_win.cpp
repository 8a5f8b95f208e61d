// Desktop steps on Windows: the pointer moves on the real desktop. Windows
// with scroll bars are made by the POSIX stand-in's simulated desktop only;
// on Windows the real controls are exercised by the Windows test program.

#include "scenario.h"
#include "win32_desktop_control.h"
#include "world_steps.h"

namespace qxsim {

bool runDesktopStep(const Step& step, std::string& error) {
    switch (step.kind) {
        case StepKind::Pointer:
            win32sim::setCursorPos(static_cast<int>(step.integer(0)),
                                   static_cast<int>(step.integer(1)));
            return true;
        default:
            error = "this step needs the simulated desktop of the POSIX build";
            return false;
    }
}

}  // namespace qxsim
