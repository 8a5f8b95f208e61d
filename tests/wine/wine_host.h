// A fresh host for each test that runs the plug-in against real Win32: real
// time, the simulated daemon and host reset, a temporary profile folder as
// USERPROFILE, and a message loop on this (the host's) thread.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "qx_auto_cad.h"

class WineHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // %USERPROFILE%\QuorvexDevice and its Applications folder, as the
    // plug-in builds them (backslashes).
    std::string profilePath() const { return mProfile.string(); }
    std::string deviceDirPath() const { return profilePath() + "\\QuorvexDevice"; }
    std::string appsDirPath() const { return deviceDirPath() + "\\Applications"; }
    void createAppsDir() const;
    // Writes a settings file with the defaults, then `key` = `value`.
    void writeSetting(const std::string& key, const std::string& value) const;

    void load();
    void unload();

    // Runs this thread's message loop until `done` holds or `timeoutMs` has
    // passed; returns whether `done` held.
    static bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

    std::filesystem::path mProfile;
    std::unique_ptr<QxAutoCad> mQx;
};

// Whole contents of a file, bytes as they are on disk.
std::string readBinary(const std::string& path);
// Number of line feeds not preceded by a carriage return.
int bareLineFeeds(const std::string& bytes);
