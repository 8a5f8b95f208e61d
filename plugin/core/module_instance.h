// The module's instance handle: an address inside the module, stored when the
// module is loaded (DllMain on Windows, a static initialiser elsewhere) and
// read on the host's main thread. Null in programs that do not store it.
#pragma once

#include <windows.h>

extern HINSTANCE gModuleInstance;
