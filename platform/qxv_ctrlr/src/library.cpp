// The seven operations of the controller library, served by the simulated
// daemon. Each call from the host thread charges a small cost on the clock;
// every call writes a transcript line (qxSetApplMode: "mode"; every other but
// the read: "lib").
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "daemon.h"
#include "transcript.h"
#include "win32_control.h"

namespace {

using qxdaemon::Op;
using qxdaemon::detail::Daemon;
using qxdaemon::detail::daemon;

// Cost of one round trip to the daemon.
constexpr std::uint64_t kCallCostUs = 50;

// Status values; the plug-in only tells 0 from the rest.
constexpr int kOk = 0;
constexpr int kErrNoSignOn = 1;
constexpr int kErrBadArgument = 2;
constexpr int kErrReleased = 3;
constexpr int kErrRefused = 4;

// Counts the call and charges its cost; returns the daemon with the lock held.
// Transcript lines are written before the lock is given up, so a thread that
// a call wakes can only act after the call's line.
Daemon& enter(Op op, std::unique_lock<std::mutex>& lock) {
    // Only calls on the host thread cost time: the plug-in's reading and
    // watchdog threads may run side by side, and their costs would move the
    // clock in whatever order they happen to interleave, so a replay would no
    // longer give the same times.
    if (!win32sim::isRegisteredThread()) {
        win32sim::chargeUs(kCallCostUs);
    }
    lock = std::unique_lock(win32sim::simLock());
    Daemon& d = daemon();
    ++d.calls.at(static_cast<std::size_t>(op));
    return d;
}

int logged(Op op, int status) {
    transcript::emit(
        "lib", transcript::Fields().str("op", qxdaemon::opName(op)).integer("status", status));
    return status;
}

template <typename T>
void setIf(T* p, T value) {
    if (p != nullptr) {
        *p = value;
    }
}

}  // namespace

extern "C" {

int qxConnect(int /*reserved*/, const char* /*appName*/) {
    int status = kErrNoSignOn;
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::Connect, lock);
    if (d.up) {
        d.signedOn = true;
        d.releasePending = false;
        win32sim::notifyLocked();
        status = kOk;
    }
    return logged(Op::Connect, status);
}

int qxDisConnect(void) {
    int status = kErrNoSignOn;
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::DisConnect, lock);
    d.lastMotion = {};
    if (d.signedOn) {
        qxdaemon::detail::endSignOnLocked(d);
        status = kOk;
    }
    // Release whoever waits now; when nobody does, the next read, which may
    // be just about to start, is released instead.
    if (d.blocked > 0) {
        qxdaemon::detail::releaseReadsLocked(d);
    } else {
        d.releasePending = true;
    }
    return logged(Op::DisConnect, status);
}

int qxReadEvent(int /*reserved*/, short* tx, short* ty, short* tz, short* rx, short* ry, short* rz,
                int* unused1, int* unused2, int* eventCode, int* unused3, int* unused4) {
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::ReadEvent, lock);
    if (d.releasePending) {
        d.releasePending = false;
        return kErrReleased;
    }
    const auto failsFast = [&d] { return d.readFailsFastWhileDown && !d.up; };
    if (failsFast()) {
        return kErrNoSignOn;
    }
    const std::uint64_t gen = d.releaseGen;
    ++d.blocked;
    win32sim::park(lock, [&d, gen, &failsFast] {
        return d.releaseGen != gen || failsFast() || (d.signedOn && !d.queue.empty());
    });
    --d.blocked;
    if (d.releaseGen != gen || failsFast()) {
        return kErrReleased;
    }
    const qxdaemon::detail::Event ev = d.queue.front();
    d.queue.pop_front();
    if (ev.code < 0) {
        d.lastMotion = ev.axes;
    }
    lock.unlock();

    setIf(tx, ev.axes[0]);
    setIf(ty, ev.axes[1]);
    setIf(tz, ev.axes[2]);
    setIf(rx, ev.axes[3]);
    setIf(ry, ev.axes[4]);
    setIf(rz, ev.axes[5]);
    setIf(unused1, 0);
    setIf(unused2, 0);
    setIf(unused3, 0);
    setIf(unused4, 0);
    setIf(eventCode, ev.code);
    return kOk;
}

int qxGetAdvancedSettings(int /*reserved*/, void* block148) {
    int status = kErrNoSignOn;
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::GetAdvancedSettings, lock);
    if (block148 == nullptr) {
        status = kErrBadArgument;
    } else if (d.signedOn) {
        std::memcpy(block148, d.settings.data(), d.settings.size());
        status = kOk;
    }
    return logged(Op::GetAdvancedSettings, status);
}

int qxGetDevInfo(int index, void* block96) {
    int status = kErrNoSignOn;
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::GetDevInfo, lock);
    if (!d.signedOn) {
        status = kErrNoSignOn;
    } else if (block96 == nullptr || index < 0 || index >= static_cast<int>(d.devices.size()) ||
               d.failDevInfoIndex == index) {
        status = kErrBadArgument;
    } else {
        auto* block = static_cast<unsigned char*>(block96);
        std::memset(block, 0, QX_DEV_INFO_SIZE);
        const std::string& name = d.devices[static_cast<std::size_t>(index)];
        // The name runs to the block's end: one that fills its field has no
        // terminating zero.
        const std::size_t room = QX_DEV_INFO_SIZE - QX_DEV_INFO_NAME_OFFSET;
        std::memcpy(block + QX_DEV_INFO_NAME_OFFSET, name.data(), std::min(room, name.size()));
        status = kOk;
    }
    return logged(Op::GetDevInfo, status);
}

int qxGetDevNum(int* count, int* unused1, int* unused2) {
    int status = kErrNoSignOn;
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::GetDevNum, lock);
    if (d.signedOn) {
        setIf(count, static_cast<int>(d.devices.size()));
        setIf(unused1, 0);
        setIf(unused2, 0);
        status = kOk;
    }
    return logged(Op::GetDevNum, status);
}

int qxSetApplMode(const char* app, const char* mode) {
    const std::string appText = app != nullptr ? app : "";
    const std::string modeText = mode != nullptr ? mode : "";
    int status = kErrNoSignOn;
    std::unique_lock<std::mutex> lock;
    Daemon& d = enter(Op::SetApplMode, lock);
    if (app == nullptr || mode == nullptr) {
        status = kErrBadArgument;
    } else if (d.signedOn) {
        ++d.modeReports;
        d.lastApp = appText;
        d.lastMode = modeText;
        if (d.modesAccepted) {
            d.lastAccepted = modeText;
            status = kOk;
        } else {
            status = kErrRefused;
        }
    }
    transcript::emit("mode", transcript::Fields()
                                 .str("app", appText)
                                 .str("name", modeText)
                                 .boolean("accepted", status == kOk));
    return status;
}

}  // extern "C"
