// The plug-in against hostile files: the working folder is a folder of its
// own beside the profile, and the test ends by checking that the plug-in
// wrote nothing outside the profile's device folder. Host thread only.
#pragma once

#include <functional>
#include <string>

#include "plugin_host.h"

class HostileHost : public PluginHost {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // The default settings file, with `key`'s value replaced when given.
    static std::string defaultSettings(const std::string& key = "", const std::string& value = "");
    // A file of `bytes` zero bytes that takes no room on disk.
    static void writeSparse(const std::filesystem::path& path, std::uint64_t bytes);

protected:
    // The top-view key reaches the command line on the next tick: device
    // input still flows from the daemon to the host.
    ::testing::AssertionResult keysStillWork();

    // Runs `scenario` in a child process without root's right to ignore
    // file permissions (as the unprivileged user when run as root), so that
    // unreadable files and read-only folders are what they are for a user.
    // The scenario returns its failed checks, one a line.
    void runUnprivileged(const std::function<std::string()>& scenario);

    std::filesystem::path mWorkDir;
    std::filesystem::path mOldWorkDir;
};

// Collects failed checks of a scenario run in a child process.
class Checks {
public:
    void expect(bool ok, const std::string& what) {
        if (!ok) {
            mFailures += what + "\n";
        }
    }
    const std::string& failures() const { return mFailures; }

private:
    std::string mFailures;
};
