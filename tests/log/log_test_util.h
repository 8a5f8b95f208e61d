// Helpers of the log tests: a temporary folder, file reading, capture of the
// standard streams and semaphore failures on demand.
#pragma once

#include <atomic>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "logging.h"

// A fresh folder under /tmp, removed with its content at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return mPath; }
    std::string file(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

std::vector<std::string> readLines(const std::string& path);

// Redirects std::cout (or std::cerr) into a string while it lives.
class StreamCapture {
public:
    explicit StreamCapture(std::ostream& stream) : mStream(stream) {
        mOld = stream.rdbuf(mBuffer.rdbuf());
    }
    ~StreamCapture() { mStream.rdbuf(mOld); }
    std::string text() const { return mBuffer.str(); }

private:
    std::ostream& mStream;
    std::ostringstream mBuffer;
    std::streambuf* mOld;
};

// Parameters that log to `file` in `dir` with the default flags.
LogParameters fileParams(const std::string& dir, const std::string& file = "log.txt");

// Errno that the next call of the named semaphore operation fails with
// (0: no failure). Each is reset once it has struck.
extern std::atomic<int> gFailSemInit, gFailSemWait, gFailSemPost, gFailSemDestroy;

// Time, tag and thread columns of a log line.
inline const char* const kHeadRegex = R"(\d\d:\d\d:\d\d\.\d{3}\|)";
