// The whole host API in one include: the database side, then commands, the
// aced and acut functions, documents and the application framework. The
// graphics view class itself (gs.h) comes only with _AFXEXT; other code that
// calls its members includes gs.h.
#pragma once

#include "dbxHeaders.h"

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
