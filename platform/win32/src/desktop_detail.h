// Internals shared by the desktop stand-in's files: text conversions for the
// transcript and file paths, and the reset of the window part. Internal to
// win32sim.
#pragma once

#include <string>
#include <string_view>

namespace win32sim::detail {

// UTF-32 (wchar_t on POSIX) to UTF-8; invalid code points become U+FFFD.
// UTF-8 to wide; invalid sequences become U+FFFD.
std::wstring utf8ToWide(std::string_view text);

void resetDesktopWindows();

}  // namespace win32sim::detail
