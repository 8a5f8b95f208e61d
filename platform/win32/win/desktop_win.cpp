// The desktop control on Windows: the desktop is the real one, so a session
// only puts the pointer where a scenario says. Windows of the simulated
// desktop (addWindow and its records) exist only in the POSIX stand-in.
#include <windows.h>

#include "win32_desktop_control.h"

namespace win32sim {

void setCursorPos(int x, int y) {
    SetCursorPos(x, y);
}

// A new session starts with the pointer at (0,0).
void resetDesktop() {
    SetCursorPos(0, 0);
}

}  // namespace win32sim
