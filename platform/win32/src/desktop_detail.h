// Internals shared by the desktop stand-in's files: text conversions for the
// transcript and file paths, and the reset of the window part. Internal to
// win32sim.
#pragma once

#include <string>
#include <string_view>

namespace win32sim::detail {

// Text in the ANSI code page (Windows-1252) to wide: the narrow file names
// of the stand-in as the wide API shows them.
std::wstring ansiToWide(std::string_view text);

void resetDesktopWindows();

}  // namespace win32sim::detail
