// The module's per-document data manager, registered with the host's
// document manager from module load to module unload. It reaches the host
// proxy, while there is one, as the toggle commands do.
#include "doc_data.h"

#include "auto_cad_proxy.h"

CDocDataManager gDocData;

void CDocDataManager::documentToBeDeactivated(AcApDocument* pDeActivatedDoc) {
    if (gAutoCadProxy != NULL) {
        gAutoCadProxy->releaseCapForDocument(pDeActivatedDoc,
                                             "Drawing deactivated during a motion");
    }
}

void CDocDataManager::documentToBeDestroyed(AcApDocument* pDocToDestroy) {
    if (gAutoCadProxy != NULL) {
        gAutoCadProxy->releaseCapForDocument(pDocToDestroy, "Drawing closed during a motion");
    }
    AcApDataManager<CDocData>::documentToBeDestroyed(pDocToDestroy);
}
