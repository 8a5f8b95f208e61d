// State of the simulated host behind the core API (commands, documents,
// system variables, output, counters). Guarded by HostState::mutex; host
// callbacks (commands, reactors) are never called while it is held.
#pragma once

#include "win32_control.h"

#include <array>
#include <memory>
#include <mutex>
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
    const std::wstring mFileName;
};

struct HostState {
    std::mutex mutex;

    int tilemode = 1;
    int cvport = 2;

    std::vector<CommandInfo> commands;

    // Every document made since the reset; closed ones stay until then so that
    // a pointer the plug-in kept never dangles.
    std::vector<std::unique_ptr<AcApDocument>> documents;
    AcApDocument* current = nullptr;
    // Lock modes of the current document, innermost last.
    std::vector<AcAp::DocLockMode> locks;
    int documentSeq = 0;

    bool managerPresent = true;
    std::vector<AcApDocManagerReactor*> reactors;

    int funCode = RTERROR;
    std::array<int, kCallKinds> calls{};
    int hostCalls = 0;
    // Reads of each system variable by name, answered or not.
    std::vector<std::pair<std::wstring, int>> varReads;

    std::vector<std::wstring> printed;
    std::vector<std::wstring> sent;
};

HostState& host();

// Mutex held: count one host call and charge its cost on the clock.
void chargeHostCallLocked();
void countCallLocked(Call call);

// Lock held: makes a new current document named "DrawingN.dwg".
AcApDocument* openDocumentLocked(HostState& h);

inline std::string toUtf8(std::wstring_view text) {
    return win32sim::wideToUtf8(text);
}
std::wstring widen(std::string_view text);
// Case-insensitive comparison of host names (commands, system variables).
bool sameName(std::wstring_view a, std::wstring_view b);

}  // namespace arxsim::detail
