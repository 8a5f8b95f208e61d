// A simulated host session in this process: the world a qxsim session starts
// in, a fresh profile with the sample menu file, and qxsim's own player
// loading the real module with dlopen and playing scenario text against it.
// The transcript is captured in memory; the module's log is read back from
// the profile.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class SessionWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Plays `scenario` (qxsim's step language) through the loaded module and
    // unloads it at the end. Fails the test on a scenario or load error or
    // a warning of the player (module kept in memory, thread left alive).
    void play(const std::string& scenario);

    // Captured transcript lines of kind `ev`, whole.
    static std::vector<std::string> events(const std::string& ev);
    // "t" of each line of kind `ev`.
    static std::vector<std::uint64_t> times(const std::string& ev);

    std::string logText() const;
    int logCount(const std::string& text) const;

    std::filesystem::path mProfile;
};

// Value of a number field or text of a string field of one transcript line
// ("" / -1 when the line has no such field).
double numberField(const std::string& line, const std::string& key);
std::string textField(const std::string& line, const std::string& key);

// Open file descriptors and threads of this process right now.
int openDescriptorCount();
int threadCount();
// Threads of this process once the count has come down to `expected`, or the
// count after five seconds of waiting for that.
int threadCountSettledTo(int expected);
