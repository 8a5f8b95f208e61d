// Per-document data manager: not built yet.
#include "doc_data.h"
