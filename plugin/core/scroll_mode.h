// Scroll mode's window lookup, also used on its own by the tests of the
// window stand-in.
#pragma once

#include <windows.h>

// The smallest visible window that contains `point`: the window the window
// system reports there, or a smaller sibling below it, then level by level a
// smaller child of each new best. Null when no window lies there.
HWND findWindowUnderPoint(POINT point);
