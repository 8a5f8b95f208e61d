// The module's per-document data manager, registered with the host's
// document manager from module load to module unload.
#include "doc_data.h"

AcApDataManager<CDocData> gDocData;
