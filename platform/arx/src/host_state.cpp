// The simulated host's shared state, the cost of a host call and the text
// helpers of the core.
#include "host_state.h"

#include <cwctype>

#include "win32_control.h"

namespace arxsim::detail {

namespace {
// Cost of a cheap host call on the clock.
constexpr std::uint64_t kHostCallCostUs = 20;
}  // namespace

HostState& host() {
    // Never destroyed: a module's static destructors may still call the host
    // while the process ends.
    static HostState* const theHost = [] {
        auto* h = new HostState;
        openDocumentLocked(*h);
        return h;
    }();
    return *theHost;
}

void chargeHostCallLocked() {
    win32sim::chargeUs(kHostCallCostUs);
    ++host().hostCalls;
}

void countCallLocked(Call call) {
    ++host().calls.at(static_cast<std::size_t>(call));
}

void throwIfArmedLocked(Throwing op) {
    if (host().throwing == op) {
        host().throwing.reset();
        throw std::bad_alloc();
    }
}

AcApDocument* openDocumentLocked(HostState& h, bool makeCurrent) {
    const std::wstring name = L"Drawing" + std::to_wstring(++h.documentSeq) + L".dwg";
    h.documents.push_back(std::make_unique<DocumentStandIn>(name));
    AcApDocument* doc = h.documents.back().get();
    h.open.push_back(doc);
    if (makeCurrent) {
        h.current = doc;
        h.contentOwner = doc;
    }
    return doc;
}

const std::vector<AcAp::DocLockMode>& currentLocksLocked(const HostState& h) {
    static const std::vector<AcAp::DocLockMode> kUnlocked;
    const auto it = h.locks.find(h.current);
    return it == h.locks.end() ? kUnlocked : it->second;
}

std::wstring widen(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return out;
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace arxsim::detail
