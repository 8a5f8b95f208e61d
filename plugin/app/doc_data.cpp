// The module's per-document data manager, registered with the host's
// document manager from module load to module unload. It reaches the host
// proxy, while there is one, as the toggle commands do.
#include "doc_data.h"

#include "auto_cad_proxy.h"
#include "logging.h"

CDocDataManager gDocData;

namespace {

const char* const kSrcFile = "..\\..\\AutoCAD2011\\doc_data";
const char* const kClass = "CDocDataManager";

// Ends a motion under way in `doc`; what fails is logged, never passed on
// to the host.
void releaseCapFor(AcApDocument* doc, const char* why, const char* method) {
    try {
        if (gAutoCadProxy != NULL) {
            gAutoCadProxy->releaseCapForDocument(doc, why);
        }
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, method);
        // The motion ends all the same.
        try {
            if (gAutoCadProxy != NULL) {
                gAutoCadProxy->releaseCapNow();
            }
        } catch (...) {
            logCaughtException(kSrcFile, __LINE__, kClass, method);
        }
    }
}

}  // namespace

void CDocDataManager::documentToBeDeactivated(AcApDocument* pDeActivatedDoc) {
    releaseCapFor(pDeActivatedDoc, "Drawing deactivated during a motion",
                  "CDocDataManager::documentToBeDeactivated");
}

void CDocDataManager::documentToBeDestroyed(AcApDocument* pDocToDestroy) {
    releaseCapFor(pDocToDestroy, "Drawing closed during a motion",
                  "CDocDataManager::documentToBeDestroyed");
    AcApDataManager<CDocData>::documentToBeDestroyed(pDocToDestroy);
}
