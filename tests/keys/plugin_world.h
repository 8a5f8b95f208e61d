// A fresh simulated world for each test of the key, menu, scroll and
// toggle operations: clock, daemon, host, desktop and transcript reset, a
// temporary profile with the applications folder, and the plug-in object
// loaded on demand on this (the host's) thread.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "auto_cad_proxy.h"
#include "qx_auto_cad.h"

class PluginWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path appsDir() const;
    void writeMenu(const std::string& text) const;
    // Replaces `key`'s value in the settings file (written with the defaults
    // before each test).
    void setSetting(const std::string& key, const std::string& value) const;
    std::string setting(const std::string& key) const;

    void load();
    void unload();
    AutoCadProxy& proxy() const { return *mQx->mAutoCadProxyP; }

    // Runs the host's message loop until the next timer tick has run.
    void tick();
    // Sends a daemon event and waits until the reading thread handled it.
    void sendEvent(int code);

    std::string logText() const;
    int logCount(const std::string& text) const;
    // Transcript lines of one kind, e.g. "send" or "message".
    std::vector<std::string> events(const std::string& ev) const;

    std::filesystem::path mProfile;
    std::unique_ptr<QxAutoCad> mQx;
};

// The texts the plug-in queued on the command line, in order.
std::vector<std::wstring> sentTexts();
