// Control side of the controller-library stand-in: the simulated driver
// daemon behind qxv_ctrlr.h. Tests and qxsim set the daemon up, make it send
// events and read back what the plug-in asked of it; the plug-in never
// includes this header. Every function may be called from any thread; state
// is guarded by win32sim::simLock(), so none may be called while holding it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qxdaemon {

// Event code the daemon sends when its advanced settings changed.
constexpr int kSettingsChangedEvent = 0x20001;
// Event code of a cap motion (any negative code means motion).
constexpr int kMotionEvent = -1;

// ---- Daemon ------------------------------------------------------------------
// Down means unreachable: the sign-on is lost, a waiting read returns failure,
// qxConnect fails until the daemon is up again. Starts up.
void setUp(bool up);
bool isUp();

// Devices the daemon lists, in index order. Starts with one device. A name of
// 76 characters or more fills its field without a terminating zero.
void setDevices(const std::vector<std::string>& names);
std::vector<std::string> devices();

// Advanced settings. setRotation writes the rotation code (byte 132) and the
// zoom-all-after-view switch (byte 138) and leaves the rest of the block; it
// does not notify the plug-in: send kSettingsChangedEvent for that, as the
// driver does. setAdvancedSettings replaces the whole 148-byte block (a
// shorter vector is padded with zeros, a longer one cut). Starts zeroed.
void setRotation(std::int32_t code, bool zoomAllAfterView);
// Same, keeping the zoom-all-after-view switch as it is.
void setRotation(std::int32_t code);
void setAdvancedSettings(const std::vector<std::uint8_t>& block);
std::vector<std::uint8_t> advancedSettings();

// Whether the daemon takes the modes reported by qxSetApplMode. Starts true.
void setModesAccepted(bool accepted);

// ---- Events ------------------------------------------------------------------
// Queues an event for the live sign-on and wakes a waiting read. Returns false
// and counts the event as dropped when nobody is signed on (or the daemon is
// down). sendMotion sends six axes with event code `code` (negative).
bool sendMotion(short tx, short ty, short tz, short rx, short ry, short rz,
                int code = kMotionEvent);
bool sendEvent(int code);

// ---- Fault modes ----------------------------------------------------------------
// qxGetDevInfo fails for this device index (nullopt: no fault).
void failDevInfoAt(std::optional<int> index);
// While the daemon is down, qxReadEvent returns failure at once instead of
// waiting (a waiting read is released when the daemon goes down). Off by
// default.
void setReadFailsFastWhileDown(bool on);

// ---- Read-back -----------------------------------------------------------------
enum class Op {
    Connect,
    DisConnect,
    ReadEvent,
    GetAdvancedSettings,
    GetDevInfo,
    GetDevNum,
    SetApplMode,
};
constexpr int kOpCount = 7;
const char* opName(Op op);  // "qxConnect", ...

bool isSignedOn();
int callCount(Op op);            // calls since the last reset, failed ones too
int droppedEvents();             // events lost: sent without a sign-on or
                                 // still queued when the sign-on ended
int queuedEvents();              // events waiting to be read
int blockedReads();              // reads waiting right now
std::string lastAppReported();   // app text of the last qxSetApplMode call
std::string lastModeReported();  // mode text of the last qxSetApplMode call
std::string lastModeAccepted();  // mode text of the last call the daemon took
int modeReports();               // reports the daemon heard (signed on),
                                 // accepted or not
// The six axes of the last motion event a read returned, which is what the
// plug-in holds as its cap; all zero before the first one and once the
// plug-in has called qxDisConnect (it starts, or starts again, at rest).
std::array<short, 6> lastMotionRead();

// Back to the initial state: daemon up, one device "Quorvex Device",
// settings zeroed, modes accepted, no sign-on, no events, no faults, counters
// zero. Requires that no read is waiting.
void reset();

}  // namespace qxdaemon
