// The host's document manager: the open drawings, the current one, their
// locks, their command lines and the reactors that hear about drawings
// opening, becoming current and closing.
#include <algorithm>
#include <mutex>

#include "drawing_db.h"
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

bool isOpenLocked(const HostState& h, const AcApDocument* doc) {
    return doc != nullptr && std::find(h.open.begin(), h.open.end(), doc) != h.open.end();
}

// Mutex held: a transcript field or event naming the drawing, once the
// session has had a second drawing open.
void addDrawingName(const HostState& h, transcript::Fields& fields, const AcApDocument* doc) {
    if (h.namesDrawings) {
        fields.str("doc", toUtf8(doc->fileName()));
    }
}
void emitDocumentLocked(const HostState& h, const char* op, const AcApDocument* doc) {
    if (h.namesDrawings) {
        transcript::emit("document",
                         transcript::Fields().str("op", op).str("name", toUtf8(doc->fileName())));
    }
}

// Mutex not held. Makes the open document `next` current: the drawing
// database and the space change over to its own, and the transcript says so.
void makeCurrent(AcApDocument* next) {
    const AcApDocument* owner = nullptr;
    {
        std::lock_guard lock(host().mutex);
        owner = host().contentOwner;
    }
    arxsim::db::exchangeDrawing(owner, next);
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    if (h.current != nullptr) {
        h.parkedSpaces[h.current] = {h.tilemode, h.cvport};
    }
    // A drawing opened afresh starts on the Model tab.
    std::pair<int, int> space{1, 2};
    if (const auto it = h.parkedSpaces.find(next); it != h.parkedSpaces.end()) {
        space = it->second;
        h.parkedSpaces.erase(it);
    }
    h.tilemode = space.first;
    h.cvport = space.second;
    std::erase(h.open, next);
    h.open.push_back(next);
    h.current = next;
    h.contentOwner = next;
    emitDocumentLocked(h, "current", next);
}

// Mutex not held. The host's order when the active drawing changes: the old
// one hears it is to be deactivated while it is still current, the new one
// that it is to be activated; then it is current and hears so.
void activate(AcApDocument* next) {
    AcApDocument* old = nullptr;
    {
        std::lock_guard lock(host().mutex);
        old = host().current;
    }
    if (old == next) {
        return;
    }
    if (old != nullptr) {
        notifyReactors([old](AcApDocManagerReactor* r) { r->documentToBeDeactivated(old); });
    }
    notifyReactors([next](AcApDocManagerReactor* r) { r->documentToBeActivated(next); });
    makeCurrent(next);
    notifyReactors([next](AcApDocManagerReactor* r) { r->documentBecameCurrent(next); });
    notifyReactors([next](AcApDocManagerReactor* r) { r->documentActivated(next); });
}

// Mutex not held. Closes the open document `doc`: the reactors hear it is to
// be destroyed while it is still open (and current, if it was), its locks go
// with it, then they hear it was destroyed. The content of its drawing is
// kept until the reset. A closed current drawing gives way to the one
// active before it, if any.
void close(AcApDocument* doc) {
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentToBeDestroyed(doc); });
    AcApDocument* next = nullptr;
    {
        HostState& h = host();
        std::lock_guard lock(h.mutex);
        emitDocumentLocked(h, "close", doc);
        std::erase(h.open, doc);
        h.locks.erase(doc);
        h.parkedSpaces.erase(doc);
        if (h.current == doc) {
            h.current = nullptr;
            next = h.open.empty() ? nullptr : h.open.back();
        }
    }
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentDestroyed(doc->fileName()); });
    if (next != nullptr) {
        activate(next);
    }
}

AcApDocument* openByNumber(int number) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    if (number < 1 || number > static_cast<int>(h.documents.size())) {
        return nullptr;
    }
    AcApDocument* doc = h.documents[static_cast<std::size_t>(number) - 1].get();
    return isOpenLocked(h, doc) ? doc : nullptr;
}

int numberOf(const HostState& h, const AcApDocument* doc) {
    for (std::size_t i = 0; i < h.documents.size(); ++i) {
        if (h.documents[i].get() == doc) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

}  // namespace

// ---- AcApDocument ---------------------------------------------------------------
ACRX_NO_CONS_DEFINE_MEMBERS(AcApDocument, AcRxObject)

AcAp::DocLockMode arxsim::detail::DocumentStandIn::myLockMode() const {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    const auto it = h.locks.find(this);
    if (it == h.locks.end() || it->second.empty()) {
        return AcAp::kNotLocked;
    }
    return it->second.back();
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
    arxsim::detail::throwIfArmedLocked(arxsim::Throwing::CurrentDocument);
    return host().current;
}

AcApDocument* DocManagerStandIn::mdiActiveDocument() const {
    return curDocument();
}

int DocManagerStandIn::documentCount() const {
    std::lock_guard lock(host().mutex);
    arxsim::detail::chargeHostCallLocked();
    return static_cast<int>(host().open.size());
}

Acad::ErrorStatus DocManagerStandIn::lockDocument(AcApDocument* pDoc, AcAp::DocLockMode lockMode,
                                                  const ACHAR*, const ACHAR*, bool) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (!isOpenLocked(h, pDoc)) {
        return Acad::eNoDocument;
    }
    h.locks[pDoc].push_back(lockMode);
    transcript::Fields fields;
    fields.str("mode", lockModeName(lockMode));
    addDrawingName(h, fields, pDoc);
    transcript::emit("lock", fields);
    return Acad::eOk;
}

Acad::ErrorStatus DocManagerStandIn::unlockDocument(AcApDocument* pDoc) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    const auto it = h.locks.find(pDoc);
    if (it == h.locks.end() || it->second.empty()) {
        return Acad::eNotApplicable;
    }
    const AcAp::DocLockMode mode = it->second.back();
    it->second.pop_back();
    transcript::Fields fields;
    fields.str("mode", lockModeName(mode));
    addDrawingName(h, fields, pDoc);
    transcript::emit("unlock", fields);
    return Acad::eOk;
}

Acad::ErrorStatus DocManagerStandIn::sendStringToExecute(AcApDocument* pAcTargetDocument,
                                                         const ACHAR* pszExecute, bool bActivate,
                                                         bool bWrapUpInactiveDoc,
                                                         bool bEchoString) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::throwIfArmedLocked(arxsim::Throwing::SendString);
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
    if (doc != nullptr) {
        close(doc);
    }
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
        emitDocumentLocked(h, "open", doc);
        emitDocumentLocked(h, "current", doc);
    }
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentCreateStarted(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentCreated(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentToBeActivated(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentBecameCurrent(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentActivated(doc); });
}

int newDocument() {
    AcApDocument* doc = nullptr;
    int number = 0;
    {
        HostState& h = host();
        std::lock_guard lock(h.mutex);
        doc = detail::openDocumentLocked(h, false);
        number = h.documentSeq;
        h.namesDrawings = h.namesDrawings || h.open.size() > 1;
        emitDocumentLocked(h, "open", doc);
    }
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentCreateStarted(doc); });
    notifyReactors([doc](AcApDocManagerReactor* r) { r->documentCreated(doc); });
    activate(doc);
    return number;
}

bool activateDocument(int number) {
    AcApDocument* doc = openByNumber(number);
    if (doc != nullptr) {
        activate(doc);
    }
    return doc != nullptr;
}

bool closeDocument(int number) {
    AcApDocument* doc = openByNumber(number);
    if (doc != nullptr) {
        close(doc);
    }
    return doc != nullptr;
}

int currentDocument() {
    std::lock_guard lock(host().mutex);
    return numberOf(host(), host().current);
}

std::vector<int> openDocuments() {
    std::lock_guard lock(host().mutex);
    std::vector<int> numbers;
    for (const AcApDocument* doc : host().open) {
        numbers.push_back(numberOf(host(), doc));
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
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
    return static_cast<int>(detail::currentLocksLocked(host()).size());
}

int lockDepth(int number) {
    std::lock_guard lock(host().mutex);
    const HostState& h = host();
    if (number < 1 || number > static_cast<int>(h.documents.size())) {
        return 0;
    }
    const auto it = h.locks.find(h.documents[static_cast<std::size_t>(number) - 1].get());
    return it == h.locks.end() ? 0 : static_cast<int>(it->second.size());
}

AcAp::DocLockMode lockMode() {
    std::lock_guard lock(host().mutex);
    const auto& locks = detail::currentLocksLocked(host());
    return locks.empty() ? AcAp::kNone : locks.back();
}

}  // namespace arxsim
