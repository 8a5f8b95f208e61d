// The database side of the host API in one include: basic types, runtime
// classes, geometry, the drawing database, graphics views as declarations
// and the application framework's root.
#pragma once

// The SDK's value and field headers, which come with the database side, use
// VARIANT, SYSTEMTIME and DWORD without including <windows.h>: a module
// includes it first. These lines fail for a module that does not, as those
// headers fail there.
typedef VARIANT VARIANT;
typedef SYSTEMTIME SYSTEMTIME;
typedef DWORD DWORD;

// The import libraries of the database side, which the Microsoft linker
// takes from here.
#ifdef _MSC_VER
#pragma comment(lib, "rxapi.lib")
#pragma comment(lib, "acdb18.lib")
#pragma comment(lib, "acge18.lib")
#pragma comment(lib, "acISMobj18.lib")
#pragma comment(lib, "acgiapi.lib")
#pragma comment(lib, "axdb.lib")
#pragma comment(lib, "acdbmgd.lib")
#endif

#include "AdAChar.h"
#include "acadstrc.h"
#include "adesk.h"
#include "rxclass.h"
#include "rxdefs.h"
#include "rxdict.h"
#include "rxdlinkr.h"
#include "rxnames.h"
#include "rxobject.h"

#include "gegbl.h"
#include "gemat3d.h"
#include "gepnt2d.h"
#include "gepnt3d.h"
#include "getol.h"
#include "gevec2d.h"
#include "gevec3d.h"

#include "acdb.h"
#include "dbcurve.h"
#include "dbents.h"
#include "dbid.h"
#include "dbmain.h"
#include "dbobjptr.h"

#include "acgs.h"

#include "dbxEntryPoint.h"
