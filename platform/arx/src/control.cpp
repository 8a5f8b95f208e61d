// Control API of the host core: space, counters, output read-back, reset.
#include <mutex>

#include "host_state.h"

namespace arxsim {

using detail::host;
using detail::HostState;

void setSpace(int tilemode, int cvport) {
    std::lock_guard lock(host().mutex);
    host().tilemode = tilemode;
    host().cvport = cvport;
}

void setVarAnswer(std::wstring_view name, short restype, const ads_u_val& value) {
    std::lock_guard lock(host().mutex);
    resbuf answer{};
    answer.restype = restype;
    answer.resval = value;
    host().varAnswers.emplace_back(name, answer);
}

int tilemode() {
    std::lock_guard lock(host().mutex);
    return host().tilemode;
}

int cvport() {
    std::lock_guard lock(host().mutex);
    return host().cvport;
}

int callCount(Call call) {
    std::lock_guard lock(host().mutex);
    return host().calls.at(static_cast<std::size_t>(call));
}

int hostCallCount() {
    std::lock_guard lock(host().mutex);
    return host().hostCalls;
}

int varReadCount(std::wstring_view name) {
    std::lock_guard lock(host().mutex);
    for (const auto& [known, count] : host().varReads) {
        if (detail::sameName(known, name)) {
            return count;
        }
    }
    return 0;
}

void setVarReadObserver(VarReadObserver observer, void* context) {
    std::lock_guard lock(host().mutex);
    host().varObserver = observer;
    host().varObserverContext = context;
}

std::vector<std::wstring> printed() {
    std::lock_guard lock(host().mutex);
    return host().printed;
}

std::vector<std::wstring> sentStrings() {
    std::lock_guard lock(host().mutex);
    return host().sent;
}

void clearOutput() {
    std::lock_guard lock(host().mutex);
    host().printed.clear();
    host().sent.clear();
}

void reset() {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    h.tilemode = 1;
    h.cvport = 2;
    h.commands.clear();
    h.documents.clear();
    h.open.clear();
    h.current = nullptr;
    h.contentOwner = nullptr;
    h.locks.clear();
    h.parkedSpaces.clear();
    h.documentSeq = 0;
    h.namesDrawings = false;
    h.managerPresent = true;
    h.reactors.clear();
    h.funCode = RTERROR;
    h.calls.fill(0);
    h.hostCalls = 0;
    h.varReads.clear();
    h.varObserver = nullptr;
    h.varObserverContext = nullptr;
    h.varAnswers.clear();
    h.printed.clear();
    h.sent.clear();
    h.throwing.reset();
    detail::openDocumentLocked(h);
}

void throwOnNextCall(Throwing op) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    h.throwing = op;
}

}  // namespace arxsim
