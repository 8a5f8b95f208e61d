// The simulated driver daemon: its state and the control API that tests and
// qxsim drive it with.
#include "daemon.h"

#include <algorithm>
#include <mutex>

#include "win32_control.h"

namespace qxdaemon {
namespace detail {

Daemon& daemon() {
    // Never destroyed: a reading thread may still be inside the library while
    // the process ends.
    static Daemon* const theDaemon = [] {
        auto* d = new Daemon;
        d->devices.push_back(kDefaultDeviceName);
        return d;
    }();
    return *theDaemon;
}

void endSignOnLocked(Daemon& d) {
    if (!d.signedOn) {
        return;
    }
    d.signedOn = false;
    d.dropped += static_cast<int>(d.queue.size());
    d.queue.clear();
}

void releaseReadsLocked(Daemon& d) {
    ++d.releaseGen;
    win32sim::notifyLocked();
}

}  // namespace detail

using detail::daemon;

namespace {

bool queueLocked(detail::Event ev) {
    detail::Daemon& d = daemon();
    if (!d.up || !d.signedOn) {
        ++d.dropped;
        return false;
    }
    d.queue.push_back(ev);
    win32sim::notifyLocked();
    return true;
}

}  // namespace

void setUp(bool up) {
    std::lock_guard lock(win32sim::simLock());
    detail::Daemon& d = daemon();
    if (d.up == up) {
        return;
    }
    d.up = up;
    if (!up) {
        detail::endSignOnLocked(d);
        detail::releaseReadsLocked(d);
    }
}

bool isUp() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().up;
}

void setDevices(const std::vector<std::string>& names) {
    std::lock_guard lock(win32sim::simLock());
    daemon().devices = names;
}

std::vector<std::string> devices() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().devices;
}

void setRotation(std::int32_t code, bool zoomAllAfterView) {
    setRotation(code);
    std::lock_guard lock(win32sim::simLock());
    daemon().settings[QX_ADV_ZOOM_ALL_OFFSET] = zoomAllAfterView ? 1 : 0;
}

void setRotation(std::int32_t code) {
    std::lock_guard lock(win32sim::simLock());
    auto& s = daemon().settings;
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&code), sizeof code,
                s.begin() + QX_ADV_ROTATION_CODE_OFFSET);
}

void setAdvancedSettings(const std::vector<std::uint8_t>& block) {
    std::lock_guard lock(win32sim::simLock());
    auto& s = daemon().settings;
    s.fill(0);
    std::copy_n(block.begin(), std::min(block.size(), s.size()), s.begin());
}

std::vector<std::uint8_t> advancedSettings() {
    std::lock_guard lock(win32sim::simLock());
    const auto& s = daemon().settings;
    return {s.begin(), s.end()};
}

void setModesAccepted(bool accepted) {
    std::lock_guard lock(win32sim::simLock());
    daemon().modesAccepted = accepted;
}

bool sendMotion(short tx, short ty, short tz, short rx, short ry, short rz, int code) {
    std::lock_guard lock(win32sim::simLock());
    return queueLocked({code, {tx, ty, tz, rx, ry, rz}});
}

bool sendEvent(int code) {
    std::lock_guard lock(win32sim::simLock());
    return queueLocked({code, {}});
}

void failDevInfoAt(std::optional<int> index) {
    std::lock_guard lock(win32sim::simLock());
    daemon().failDevInfoIndex = index;
}

void setReadFailsFastWhileDown(bool on) {
    std::lock_guard lock(win32sim::simLock());
    daemon().readFailsFastWhileDown = on;
    // A read waiting while the daemon is down now has to give up.
    win32sim::notifyLocked();
}

const char* opName(Op op) {
    static const char* const kNames[kOpCount] = {
        "qxConnect",    "qxDisConnect", "qxReadEvent",   "qxGetAdvancedSettings",
        "qxGetDevInfo", "qxGetDevNum",  "qxSetApplMode",
    };
    const int i = static_cast<int>(op);
    return i >= 0 && i < kOpCount ? kNames[i] : "?";
}

bool isSignedOn() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().signedOn;
}

int callCount(Op op) {
    std::lock_guard lock(win32sim::simLock());
    return daemon().calls.at(static_cast<std::size_t>(op));
}

int droppedEvents() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().dropped;
}

int queuedEvents() {
    std::lock_guard lock(win32sim::simLock());
    return static_cast<int>(daemon().queue.size());
}

std::array<short, 6> lastMotionRead() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().lastMotion;
}

int blockedReads() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().blocked;
}

std::string lastAppReported() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().lastApp;
}

std::string lastModeReported() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().lastMode;
}

std::string lastModeAccepted() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().lastAccepted;
}

int modeReports() {
    std::lock_guard lock(win32sim::simLock());
    return daemon().modeReports;
}

void reset() {
    std::lock_guard lock(win32sim::simLock());
    detail::Daemon& d = daemon();
    // Waiting reads (there should be none) are released rather than stranded.
    const int blocked = d.blocked;
    const std::uint64_t gen = d.releaseGen;
    d = detail::Daemon{};
    d.devices.push_back(detail::kDefaultDeviceName);
    d.blocked = blocked;
    d.releaseGen = gen;
    detail::releaseReadsLocked(d);
}

}  // namespace qxdaemon
