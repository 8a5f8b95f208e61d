// A new file of qxsim's output (a chart, a motion's CSV), made the one safe
// way: never through a link, exclusively, with its final mode (0644 less the
// umask). Any thread.
#pragma once

#include <cstdio>
#include <string>

namespace qxsim {

// Creates `path` and returns it open for writing, or null with `error` set.
// A file of that name that an earlier run left (a regular file of this
// user with one name) is removed first; a link, another user's file or
// anything else there is left alone and the creation fails.
std::FILE* createOutputFile(const std::string& path, std::string& error);

// Removes a file an earlier run left at `path` (as above); anything else
// stays. False when something stays there.
bool removeEarlierOutput(const std::string& path);

// Creates `path` as above holding `text`; false with `error` set.
bool writeOutputFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace qxsim
