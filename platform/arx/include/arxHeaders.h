// The whole host API in one include: the database side, then commands, the
// aced and acut functions, documents and the application framework. The
// graphics view class itself (gs.h) comes only with _AFXEXT; other code that
// calls its members includes gs.h.
#pragma once

#include "dbxHeaders.h"

// The import libraries of the editor side, which the Microsoft linker takes
// from here. acutPrintf and the runtime-class functions are not in acad.lib.
#ifdef _MSC_VER
#pragma comment(lib, "acad.lib")
#pragma comment(lib, "AcFdEval.lib")
#endif

#include "accmd.h"
#include "aced.h"
#include "acedads.h"
#include "acutads.h"
#include "adscodes.h"
#include "adsdef.h"

#include "acdocman.h"

#ifdef _AFXEXT
#include "gs.h"
#endif

#include "AcApDMgr.h"
#include "arxEntryPoint.h"
