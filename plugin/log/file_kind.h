// Which paths the module may open: opening a pipe or a device can block the
// host's thread for ever, so every file the module opens is checked here
// first. Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// True when path names a regular file or nothing at all (a file that may be
// created); false for a folder, a pipe, a device, a socket, or a path whose
// kind cannot be told.
inline bool isRegularOrMissing(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    return type == std::filesystem::file_type::regular ||
           type == std::filesystem::file_type::not_found;
}
