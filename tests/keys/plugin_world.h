// The world of the key, menu, scroll and toggle tests: the plug-in object's
// world (tests/core) with the settings file written with the defaults before
// each test, plus helpers for the menu file, the settings and the ticks.
#pragma once

#include <string>
#include <vector>

#include "auto_cad_proxy.h"
#include "core_world.h"

class PluginWorld : public CoreWorld {
protected:
    void SetUp() override;

    std::filesystem::path appsDir() const;
    void writeMenu(const std::string& text) const;
    // Replaces `key`'s value in the settings file.
    void setSetting(const std::string& key, const std::string& value) const;
    std::string setting(const std::string& key) const;

    // Runs the host's message loop until the next timer tick has run.
    void tick();
    // Transcript lines of one kind, e.g. "send" or "message".
    std::vector<std::string> events(const std::string& ev) const;
};

// The texts the plug-in queued on the command line, in order.
std::vector<std::wstring> sentTexts();
