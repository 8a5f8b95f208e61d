// Per-document data of the module: the host's data manager keeps one record
// per open drawing from module load to module unload. Being the module's
// document-manager reactor, it also has a motion under way end while its
// drawing is still the current one, before the user makes another drawing
// current or closes it. Host's main thread.
#pragma once

#include <windows.h>

#include <arxHeaders.h>

// The record kept per drawing; this program stores nothing in it.
class CDocData {};

class CDocDataManager : public AcApDataManager<CDocData> {
public:
    CDocDataManager() {}

    // A motion in the drawing ends first.
    void documentToBeDeactivated(AcApDocument* pDeActivatedDoc);
    // A motion in the drawing ends first; then its record is forgotten.
    void documentToBeDestroyed(AcApDocument* pDocToDestroy);

private:
    CDocDataManager(const CDocDataManager&);
    CDocDataManager& operator=(const CDocDataManager&);
};

// The module's one manager.
extern CDocDataManager gDocData;
