// The host's open drawings, their locks, their command lines and the
// reactors that hear about them.
#pragma once

#include "rxobject.h"

struct AcAp {
    enum DocLockMode {
        kNone = 0x00,
        kAutoWrite = 0x01,
        kNotLocked = 0x02,
        kWrite = 0x04,
        kProtectedAutoWrite = 0x14,
        kRead = 0x20,
        kXWrite = 0x40
    };
};

// One open drawing. Abstract: the host makes them.
class AcApDocument : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocument);
    virtual const ACHAR* fileName() const = 0;
    // The mode of the drawing's innermost lock; kNotLocked when unlocked.
    virtual AcAp::DocLockMode myLockMode() const = 0;
};

// Notifications of the document manager. Every body is empty; a reactor
// overrides what it needs. Called on the host's main thread.
class AcApDocManagerReactor : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocManagerReactor);
    virtual void documentCreateStarted(AcApDocument* pDocCreating);
    virtual void documentCreated(AcApDocument* pDocCreating);
    virtual void documentToBeDestroyed(AcApDocument* pDocToDestroy);
    virtual void documentDestroyed(const ACHAR* fileName);
    virtual void documentCreateCanceled(AcApDocument* pDocCreateCancelled);
    virtual void documentLockModeWillChange(AcApDocument*, AcAp::DocLockMode myCurrentMode,
                                            AcAp::DocLockMode myNewMode,
                                            AcAp::DocLockMode currentMode,
                                            const ACHAR* pGlobalCmdName);
    virtual void documentLockModeChangeVetoed(AcApDocument*, const ACHAR* pGlobalCmdName);
    virtual void documentLockModeChanged(AcApDocument*, AcAp::DocLockMode myPreviousMode,
                                         AcAp::DocLockMode myCurrentMode,
                                         AcAp::DocLockMode currentMode,
                                         const ACHAR* pGlobalCmdName);
    virtual void documentBecameCurrent(AcApDocument*);
    virtual void documentToBeActivated(AcApDocument* pActivatingDoc);
    virtual void documentToBeDeactivated(AcApDocument* pDeActivatedDoc);
    virtual void documentActivationModified(bool bActivation);
    virtual void documentActivated(AcApDocument* pActivatedDoc);

protected:
    AcApDocManagerReactor() {}
};

// The host's open drawings, their locks and their command lines. Abstract:
// the host has the one manager.
class AcApDocManager : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcApDocManager);
    // The drawing the user works in, or null when none is open.
    virtual AcApDocument* curDocument() const = 0;
    virtual AcApDocument* mdiActiveDocument() const = 0;
    virtual int documentCount() const = 0;

    // Locks `pDoc` (nested locks count). eNoDocument for a null or closed
    // document.
    virtual Acad::ErrorStatus lockDocument(AcApDocument* pDoc,
                                           AcAp::DocLockMode lockMode = AcAp::kWrite,
                                           const ACHAR* pGlobalCmdName = NULL,
                                           const ACHAR* pLocalCmdName = NULL,
                                           bool prompt = true) = 0;
    // Undoes one lock; eNotApplicable when `pDoc` is not locked.
    virtual Acad::ErrorStatus unlockDocument(AcApDocument* pDoc) = 0;

    // Queues `pszExecute` on the document's command line. eNoDocument for a
    // null or closed document, eInvalidInput for null text.
    virtual Acad::ErrorStatus sendStringToExecute(AcApDocument* pAcTargetDocument,
                                                  const ACHAR* pszExecute, bool bActivate = true,
                                                  bool bWrapUpInactiveDoc = false,
                                                  bool bEchoString = true) = 0;

    virtual void addReactor(AcApDocManagerReactor* pReactor) = 0;
    virtual void removeReactor(AcApDocManagerReactor* pReactor) = 0;
};

// The document manager, or null when the host has none (for instance while
// it shuts down).
AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()
