// A sandbox for running the plug-in object against hostile files: a profile
// folder and a working folder side by side in a temporary folder, the
// simulated world reset, and checks that the plug-in still works and wrote
// nothing outside the profile. Host thread only.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "qx_auto_cad.h"

class HostileWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path deviceDir() const { return mProfile / "QuorvexDevice"; }
    std::filesystem::path appsDir() const { return deviceDir() / "Applications"; }
    std::filesystem::path settingsPath() const { return appsDir() / "autocad_addin.ini"; }
    std::filesystem::path menuPath() const { return appsDir() / "autocad.mnu"; }
    std::filesystem::path logPath() const { return deviceDir() / "autocad_addin_log.txt"; }

public:
    // The default settings file, with `key`'s value replaced when given.
    static std::string defaultSettings(const std::string& key = "", const std::string& value = "");
    static void write(const std::filesystem::path& path, const std::string& bytes);
    static std::string read(const std::filesystem::path& path);
    // A file of `bytes` zero bytes that takes no room on disk.
    static void writeSparse(const std::filesystem::path& path, std::uint64_t bytes);

protected:
    void load();
    void unload();
    // Runs the host's message loop until the next timer tick has run.
    void tick();
    // The daemon sends `code`; the reading thread has handled it on return.
    void sendEvent(int code);
    // The top-view key reaches the command line on the next tick: device
    // input still flows from the daemon to the host.
    ::testing::AssertionResult keysStillWork();

    std::string logText() const { return read(logPath()); }
    int logCount(const std::string& text) const;

    // Runs `scenario` in a child process without root's right to ignore
    // file permissions (as the unprivileged user when run as root), so that
    // unreadable files and read-only folders are what they are for a user.
    // The child reports failed checks on standard error and exits non-zero.
    void runUnprivileged(const std::function<std::string()>& scenario);

    std::filesystem::path mSandbox;
    std::filesystem::path mProfile;
    std::filesystem::path mWorkDir;
    std::filesystem::path mOldWorkDir;
    std::unique_ptr<QxAutoCad> mQx;
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
