// The one test seam: every test runs in a fresh simulated world. SetUp resets
// every stand-in (clock, desktop, daemon, host, drawing), captures the
// transcript in memory and makes a temporary profile set as USERPROFILE;
// TearDown checks that no thread, open object, selection set or document
// lock was left behind. Helpers read the log and the transcript back.
// Suites that load the plug-in add a thin layer on top (tests/core,
// tests/app, tests/e2e).
#pragma once

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

class TestHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path deviceDir() const { return mProfile / "QuorvexDevice"; }
    std::filesystem::path appsDir() const { return deviceDir() / "Applications"; }
    std::filesystem::path settingsPath() const { return appsDir() / "autocad_addin.ini"; }
    std::filesystem::path menuPath() const { return appsDir() / "autocad.mnu"; }
    std::filesystem::path logPath() const { return deviceDir() / "autocad_addin_log.txt"; }

    std::string logText() const;
    int logCount(const std::string& text) const;

    // The host's message loop for `ms` of virtual time / until the next timer
    // tick has run.
    static void runFor(std::uint64_t ms);
    static void tick();
    // A daemon event, handled by the reading thread on return.
    static void sendKey(int code);
    static void sendCap(short tx, short ty, short tz, short rx, short ry, short rz);

public:
    // Captured transcript lines of kind `ev`, whole; their "t".
    static std::vector<std::string> events(const std::string& ev);
    static std::vector<std::uint64_t> times(const std::string& ev);

protected:
    std::filesystem::path mProfile;
};

// Value of a number field or text of a string field of one transcript line
// ("" / -1 when the line has no such field).
double numberField(const std::string& line, const std::string& key);
std::string textField(const std::string& line, const std::string& key);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::vector<std::string> readLines(const std::filesystem::path& path);
int countOf(const std::string& text, const std::string& part);

// Standard output (or another stream) into a string for the life of the
// object; not copyable, as its buffer is not.
struct CoutCapture {
    explicit CoutCapture(std::ostream& captured = std::cout) : stream(captured) {}
    std::ostream& stream;
    std::ostringstream buffer;
    std::streambuf* old = stream.rdbuf(buffer.rdbuf());
    ~CoutCapture() { stream.rdbuf(old); }
    std::string text() const { return buffer.str(); }
};

// A folder whose file system runs full on fill() and has room again on
// free(): a small ext4 image mounted on it while it lives when this process
// can mount one (as root); else fill() stops every file of this process from
// growing (RLIMIT_FSIZE), which fails writes the same way.
class FullDisk {
public:
    explicit FullDisk(const std::filesystem::path& dir);
    ~FullDisk();
    void fill();
    void free();

private:
    std::filesystem::path mDir;
    bool mIsMounted = false;
    rlimit mOldLimit{};
};

// A thread created through the wrapped pthread_create, so that the clock
// knows it as a plug-in thread; joined at the latest when it goes.
class TestThread {
public:
    explicit TestThread(std::function<void()> body);
    ~TestThread() { join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;
    void join();

private:
    std::function<void()> mBody;
    pthread_t mId{};
    bool mJoined = false;
};
