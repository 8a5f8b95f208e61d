// Which paths the module may open: opening a pipe or a device can block the
// host's thread for ever, so every file the module opens is checked here
// first. Any thread.
#pragma once

#include <cstdint>
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

// No file the module reads comes near this size; a bigger one is not read at
// all, so that a runaway file (or a link to an endless device) cannot stall
// the host's thread.
inline constexpr std::uintmax_t kMaxReadFileBytes = 8u * 1024u * 1024u;

// True when path names a regular file that may be read: at most
// kMaxReadFileBytes long.
inline bool isReadableRegularFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || ec) {
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return !ec && size <= kMaxReadFileBytes;
}
