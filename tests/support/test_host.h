// A fresh simulated world for each test of the plug-in object: clock, daemon,
// host and transcript reset, a temporary profile with the settings folder,
// and helpers to run the host's message loop and read the log back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qx_auto_cad.h"

class CoreWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file with the defaults changed by `edit`.
    void writeSettings(const std::function<void(Settings&)>& edit);
    // Loads the plug-in object (on this, the host's, thread).
    void load();
    void unload();

    // Runs the host's message loop for `ms` of virtual time.
    void runFor(std::uint64_t ms);
    void runUntil(std::uint64_t ms);
    // Sends a daemon event and waits until the reading thread handled it.
    void sendKey(int code);
    void sendCap(short tx, short ty, short tz, short rx, short ry, short rz);

    std::string logText() const;
    int logCount(const std::string& text) const;
    // `ms` of every `timer` transcript line so far.
    std::vector<std::uint64_t> timerIntervals() const;

    AutoCadProxy& proxy() const;
    DaemonProxy& link() const;

    std::filesystem::path mProfile;
    std::unique_ptr<QxAutoCad> mQx;
};
