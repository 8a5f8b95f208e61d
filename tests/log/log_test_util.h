// Helpers of the log tests: a temporary folder, file lines, capture of a
// standard stream.
#pragma once

#include <stdlib.h>
#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "logging.h"

struct TempDir {
    std::string path;
    TempDir() {
        char pattern[] = "/tmp/qxlog_test_XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return path + "/" + name; }
};

inline std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Redirects a standard stream into a string while it lives.
struct StreamCapture {
    std::ostream& stream;
    std::ostringstream buffer;
    std::streambuf* old = stream.rdbuf(buffer.rdbuf());
    explicit StreamCapture(std::ostream& s) : stream(s) {}
    ~StreamCapture() { stream.rdbuf(old); }
    std::string text() const { return buffer.str(); }
};

// Scheduler state of a thread of this process ('S' while it sleeps).
inline char threadState(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}
