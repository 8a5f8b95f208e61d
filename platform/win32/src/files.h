// Between the stand-in's event objects and its file handles: CloseHandle
// takes both. Any thread.
#pragma once

#include <windows.h>

namespace win32sim::detail {

// Closes a handle of CreateFileA; false when it is none.
bool closeFileHandle(HANDLE handle);

}  // namespace win32sim::detail
