// Per-document data: a table with one record of type T per open drawing, kept
// in step with the host's drawings by a document-manager reactor that forgets
// a drawing's record when the drawing is about to close. A module holds one
// manager for its whole lifetime (built at load, destroyed at unload). Host's
// main thread.
#pragma once

#include <map>

#include "acdocman.h"

template <class T>
class AcApDataManager : public AcApDocManagerReactor {
public:
    // Registers with the document manager, which must be there: a module
    // builds its manager while the host loads it.
    AcApDataManager() { acDocManager->addReactor(this); }
    // Deregisters, unless the host has already torn its manager down.
    ~AcApDataManager() {
        if (AcApDocManager* manager = acDocManagerPtr()) {
            manager->removeReactor(this);
        }
    }

    void documentToBeDestroyed(AcApDocument* pDocToDestroy) { mDataMap.erase(pDocToDestroy); }

    // The record of a drawing, created on first use.
    T& docData(AcApDocument* doc) { return mDataMap[doc]; }
    // The record of the current drawing (of no drawing when none is open).
    T& docData() {
        AcApDocManager* manager = acDocManagerPtr();
        return docData(manager != NULL ? manager->curDocument() : NULL);
    }

private:
    AcApDataManager(const AcApDataManager&);
    AcApDataManager& operator=(const AcApDataManager&);

    std::map<AcApDocument*, T> mDataMap;
};
