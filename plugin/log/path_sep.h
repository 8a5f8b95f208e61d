// The one place where the file-system path separator lives: file paths of the
// module (settings folder, log file, menu file) are joined here. Any thread.
#pragma once

#include <string>

#ifdef _WIN32
const char kPathSeparator = '\\';
#else
const char kPathSeparator = '/';
#endif

// Joins a folder and a name with exactly one separator between them. An empty
// folder gives the name unchanged; a folder that already ends in a separator
// gets none added.
inline std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) {
        return name;
    }
    if (dir[dir.size() - 1] == kPathSeparator) {
        return dir + name;
    }
    return dir + kPathSeparator + name;
}
