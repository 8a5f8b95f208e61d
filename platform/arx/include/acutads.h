// Output on the host's command line.
#pragma once

#include "AdAChar.h"

extern "C" {

// Prints printf-style wide text on the command line. Directives follow the
// C library's wide printf, except that %s takes an ACHAR string as %ls does.
// Returns the number of characters.
int acutPrintf(const ACHAR* format, ...);

}  // extern "C"
