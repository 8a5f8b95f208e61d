// State of the simulated driver daemon shared by the library operations and
// the control API. Every member is guarded by win32sim::simLock().
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "qxv_ctrlr.h"
#include "qxv_ctrlr_control.h"

namespace qxdaemon::detail {

struct Event {
    int code = 0;
    std::array<short, 6> axes{};
};

struct Daemon {
    bool up = true;
    bool signedOn = false;
    std::vector<std::string> devices;
    std::array<std::uint8_t, QX_ADV_SETTINGS_SIZE> settings{};
    bool modesAccepted = true;
    std::deque<Event> queue;
    std::array<short, 6> lastMotion{};  // of the last motion event read

    std::optional<int> failDevInfoIndex;
    bool readFailsFastWhileDown = false;

    // Waiting reads remember the generation they started in; a new generation
    // releases them with a failure.
    std::uint64_t releaseGen = 0;
    // A qxDisConnect found no waiting read: the next read fails at once.
    bool releasePending = false;
    int blocked = 0;

    std::array<int, kOpCount> calls{};
    int dropped = 0;
    int modeReports = 0;
    std::string lastApp;
    std::string lastMode;
    std::string lastAccepted;
};

const char* const kDefaultDeviceName = "Quorvex Device";

Daemon& daemon();

// Lock held. Ends the sign-on (if any): queued events are lost.
void endSignOnLocked(Daemon& d);
// Lock held. Makes every waiting read return failure.
void releaseReadsLocked(Daemon& d);

}  // namespace qxdaemon::detail
