// State of the simulated host behind the core API (commands, documents,
// system variables, output, counters). Guarded by HostState::mutex; host
// callbacks (commands, reactors) are never called while it is held.
#pragma once

#include "win32_control.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "arx_control.h"

namespace arxsim::detail {

constexpr int kCallKinds = 8;

// A drawing as the stand-in makes it: the host's documents are all of this
// class.
class DocumentStandIn final : public AcApDocument {
public:
    explicit DocumentStandIn(std::wstring fileName) : mFileName(std::move(fileName)) {}
    const ACHAR* fileName() const override { return mFileName.c_str(); }
    AcAp::DocLockMode myLockMode() const override;  // takes the host's lock

private:
    const std::wstring mFileName;
};

struct HostState {
    std::mutex mutex;

    int tilemode = 1;
    int cvport = 2;

    std::vector<CommandInfo> commands;

    // Every document made since the reset, DrawingN.dwg at index N - 1;
    // closed ones stay until then so that a pointer the plug-in kept never
    // dangles.
    std::vector<std::unique_ptr<AcApDocument>> documents;
    // The open documents, the most recently activated last.
    std::vector<AcApDocument*> open;
    AcApDocument* current = nullptr;
    // The drawing whose entities and views the drawing database holds as its
    // current ones: the current document, or the last one closed while none
    // is open (a reopened drawing gets them back).
    const AcApDocument* contentOwner = nullptr;
    // Lock modes of each open document, innermost last.
    std::map<const AcApDocument*, std::vector<AcAp::DocLockMode>> locks;
    // tilemode and cvport of the open documents other than the current one.
    std::map<const AcApDocument*, std::pair<int, int>> parkedSpaces;
    int documentSeq = 0;
    // Set once a second drawing is open: from then on the transcript names
    // the drawing of each document event, lock and unlock.
    bool namesDrawings = false;

    bool managerPresent = true;
    std::vector<AcApDocManagerReactor*> reactors;

    int funCode = RTERROR;
    std::array<int, kCallKinds> calls{};
    int hostCalls = 0;
    // Answers given through setVarAnswer, by variable name.
    std::vector<std::pair<std::wstring, resbuf>> varAnswers;
    // Reads of each system variable by name, answered or not.
    std::vector<std::pair<std::wstring, int>> varReads;
    VarReadObserver varObserver = nullptr;
    void* varObserverContext = nullptr;

    std::vector<std::wstring> printed;
    std::vector<std::wstring> sent;

    std::optional<Throwing> throwing;
};

HostState& host();

// Mutex held: count one host call and charge its cost on the clock.
void chargeHostCallLocked();
void countCallLocked(Call call);
// Mutex held: throws std::bad_alloc when `op` was to throw (throwOnNextCall).
void throwIfArmedLocked(Throwing op);

// Lock held: makes a new document named "DrawingN.dwg" and adds it to the
// open ones; `makeCurrent` also makes it current and hands it the drawing
// database's content.
AcApDocument* openDocumentLocked(HostState& h, bool makeCurrent = true);
// Lock held: the current document's locks (none without one).
const std::vector<AcAp::DocLockMode>& currentLocksLocked(const HostState& h);

inline std::string toUtf8(std::wstring_view text) {
    return win32sim::wideToUtf8(text);
}
std::wstring widen(std::string_view text);
// Case-insensitive comparison of host names (commands, system variables).
bool sameName(std::wstring_view a, std::wstring_view b);

}  // namespace arxsim::detail
