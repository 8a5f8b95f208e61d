// The host's document manager: the open drawing, its locks, its command line
// and the reactors that hear about drawings opening and closing.
#include <algorithm>
#include <mutex>

#include "host_state.h"
#include "rx_members.h"
#include "transcript.h"

using arxsim::detail::host;
using arxsim::detail::HostState;
using arxsim::detail::toUtf8;

namespace {

// The host's one document manager.
class DocManagerStandIn final : public AcApDocManager {
public:
    AcApDocument* curDocument() const override;
    AcApDocument* mdiActiveDocument() const override;
    int documentCount() const override;
    Acad::ErrorStatus lockDocument(AcApDocument* pDoc, AcAp::DocLockMode lockMode,
                                   const ACHAR* pGlobalCmdName, const ACHAR* pLocalCmdName,
                                   bool prompt) override;
    Acad::ErrorStatus unlockDocument(AcApDocument* pDoc) override;
    Acad::ErrorStatus sendStringToExecute(AcApDocument* pAcTargetDocument, const ACHAR* pszExecute,
                                          bool bActivate, bool bWrapUpInactiveDoc,
                                          bool bEchoString) override;
    void addReactor(AcApDocManagerReactor* pReactor) override;
    void removeReactor(AcApDocManagerReactor* pReactor) override;
};

AcApDocManager* manager() {
    static AcApDocManager* const theManager = new DocManagerStandIn;
    return theManager;
}

const char* lockModeName(AcAp::DocLockMode mode) {
    switch (mode) {
        case AcAp::kNone:
            return "none";
        case AcAp::kAutoWrite:
            return "autowrite";
        case AcAp::kNotLocked:
            return "notlocked";
        case AcAp::kWrite:
            return "write";
        case AcAp::kProtectedAutoWrite:
            return "protectedautowrite";
        case AcAp::kRead:
            return "read";
        case AcAp::kXWrite:
            return "xwrite";
    }
    return "other";
}

// Calls `notify` on every reactor registered now that is still registered
// when its turn comes (a reactor may remove another). Mutex not held.
template <typename Fn>
void notifyReactors(Fn notify) {
    std::vector<AcApDocManagerReactor*> snapshot;
    {
        std::lock_guard lock(host().mutex);
        snapshot = host().reactors;
    }
    for (AcApDocManagerReactor* r : snapshot) {
        {
            std::lock_guard lock(host().mutex);
            const auto& live = host().reactors;
            if (std::find(live.begin(), live.end(), r) == live.end()) {
                continue;
            }
        }
        notify(r);
    }
}

}  // namespace

// ---- AcApDocument ---------------------------------------------------------------
ACRX_NO_CONS_DEFINE_MEMBERS(AcApDocument, AcRxObject)

const ACHAR* AcApDocument::fileName() const {
    return static_cast<const arxsim::detail::DocumentStandIn*>(this)->mFileName.c_str();
}

AcAp::DocLockMode AcApDocument::myLockMode() const {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    if (h.current != this || h.locks.empty()) {
        return AcAp::kNotLocked;
    }
    return h.locks.back();
}

// ---- AcApDocManagerReactor ---------------------------------------------------------
ACRX_NO_CONS_DEFINE_MEMBERS(AcApDocManagerReactor, AcRxObject)

void AcApDocManagerReactor::documentCreateStarted(AcApDocument*) {}
void AcApDocManagerReactor::documentCreated(AcApDocument*) {}
void AcApDocManagerReactor::documentToBeDestroyed(AcApDocument*) {}
void AcApDocManagerReactor::documentDestroyed(const ACHAR*) {}
void AcApDocManagerReactor::documentCreateCanceled(AcApDocument*) {}
void AcApDocManagerReactor::documentLockModeWillChange(AcApDocument*, AcAp::DocLockMode,
                                                       AcAp::DocLockMode, AcAp::DocLockMode,
                                                       const ACHAR*) {}
void AcApDocManagerReactor::documentLockModeChangeVetoed(AcApDocument*, const ACHAR*) {}
void AcApDocManagerReactor::documentLockModeChanged(AcApDocument*, AcAp::DocLockMode,
                                                    AcAp::DocLockMode, AcAp::DocLockMode,
                                                    const ACHAR*) {}
void AcApDocManagerReactor::documentBecameCurrent(AcApDocument*) {}
void AcApDocManagerReactor::documentToBeActivated(AcApDocument*) {}
void AcApDocManagerReactor::documentToBeDeactivated(AcApDocument*) {}
void AcApDocManagerReactor::documentActivationModified(bool) {}
void AcApDocManagerReactor::documentActivated(AcApDocument*) {}

// ---- AcApDocManager -------------------------------------------------------------------
ACRX_NO_CONS_DEFINE_MEMBERS(AcApDocManager, AcRxObject)

AcApDocument* DocManagerStandIn::curDocument() const {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    return host().current;
}

AcApDocument* DocManagerStandIn::mdiActiveDocument() const {
    return curDocument();
}

int DocManagerStandIn::documentCount() const {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    return host().current != nullptr ? 1 : 0;
}

Acad::ErrorStatus DocManagerStandIn::lockDocument(AcApDocument* pDoc, AcAp::DocLockMode lockMode,
                                                  const ACHAR*, const ACHAR*, bool) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (pDoc == nullptr || pDoc != h.current) {
        return Acad::eNoDocument;
    }
    h.locks.push_back(lockMode);
    transcript::emit("lock", transcript::Fields().str("mode", lockModeName(lockMode)));
    return Acad::eOk;
}

Acad::ErrorStatus DocManagerStandIn::unlockDocument(AcApDocument* pDoc) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (pDoc == nullptr || pDoc != h.current || h.locks.empty()) {
        return Acad::eNotApplicable;
    }
    const AcAp::DocLockMode mode = h.locks.back();
    h.locks.pop_back();
    transcript::emit("unlock", transcript::Fields().str("mode", lockModeName(mode)));
    return Acad::eOk;
}

Acad::ErrorStatus DocManagerStandIn::sendStringToExecute(AcApDocument* pAcTargetDocument,
                                                         const ACHAR* pszExecute, bool bActivate,
                                                         bool bWrapUpInactiveDoc,
                                                         bool bEchoString) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (pszExecute == nullptr) {
        return Acad::eInvalidInput;
    }
    if (pAcTargetDocument == nullptr || pAcTargetDocument != h.current) {
        return Acad::eNoDocument;
    }
    h.sent.emplace_back(pszExecute);
    transcript::emit("send", transcript::Fields()
                                 .str("text", toUtf8(pszExecute))
                                 .boolean("activate", bActivate)
                                 .boolean("wrapup", bWrapUpInactiveDoc)
                                 .boolean("echo", bEchoString));
    return Acad::eOk;
}

void DocManagerStandIn::addReactor(AcApDocManagerReactor* pReactor) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (pReactor == nullptr ||
        std::find(h.reactors.begin(), h.reactors.end(), pReactor) != h.reactors.end()) {
        return;
    }
    h.reactors.push_back(pReactor);
}

void DocManagerStandIn::removeReactor(AcApDocManagerReactor* pReactor) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    std::erase(h.reactors, pReactor);
}

AcApDocManager* acDocManagerPtr() {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    return h.managerPresent ? manager() : nullptr;
}

// ---- Control ----------------------------------------------------------------------------
namespace arxsim {

void closeDocument() {
    AcApDocument* doc = nullptr;
    {
        std::lock_guard lock(host().mutex);
        doc = host().current;
    }
    if (doc == nullptr) {
        return;
    }
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentToBeDestroyed(doc); });
    {
        std::lock_guard lock(host().mutex);
        host().current = nullptr;
        host().locks.clear();
    }
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentDestroyed(doc->fileName()); });
}

void openDocument() {
    AcApDocument* doc = nullptr;
    {
        HostState& h = host();
        std::lock_guard lock(h.mutex);
        if (h.current != nullptr) {
            return;
        }
        doc = detail::openDocumentLocked(h);
    }
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentCreateStarted(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentCreated(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentBecameCurrent(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentActivated(doc); });
}

bool hasDocument() {
    std::lock_guard lock(host().mutex);
    return host().current != nullptr;
}

void setDocManagerPresent(bool present) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    h.managerPresent = present;
    if (!present) {
        h.reactors.clear();
    }
}

int reactorCount() {
    std::lock_guard lock(host().mutex);
    return static_cast<int>(host().reactors.size());
}

int lockDepth() {
    std::lock_guard lock(host().mutex);
    return static_cast<int>(host().locks.size());
}

AcAp::DocLockMode lockMode() {
    std::lock_guard lock(host().mutex);
    return host().locks.empty() ? AcAp::kNone : host().locks.back();
}

}  // namespace arxsim
