// The database side of the host API in one include: basic types, runtime
// classes, geometry, the drawing database, graphics views as declarations
// and the application framework's root.
#pragma once

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
