// Replays of a live session's scenario in virtual time, by a qxsim of its
// own (a child process with a profile of its own), for calibrate(). Any
// thread: it touches nothing of this process's simulated world.
#pragma once

#include <cstdint>
#include <string>

#include "live_recorder.h"

namespace qxsim {

struct ReplaySetup {
    std::string qxsim;           // this executable
    std::string module;          // the module it loads
    std::string settingsDir;     // the live profile's QuorvexDevice/Applications: copied
    std::int64_t preludeMs = 0;  // waits of the prelude: the live time starts after them
};

PassReplayer childReplayer(ReplaySetup setup);

// A copy of the settings folder as the session went live: the replays start
// from it, not from what a page changed since. Removed with the object.
class SettingsSnapshot {
public:
    explicit SettingsSnapshot(const std::string& settingsDir);
    ~SettingsSnapshot();
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

    // The copy's folder; empty when it could not be made.
    const std::string& dir() const { return mDir; }
    // The settings file's values as `setting` steps, for the head of a
    // scenario: a replay starts from them on any profile.
    std::string steps() const;

private:
    std::string mDir;
};

}  // namespace qxsim
