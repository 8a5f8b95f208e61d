#include "nav_memory.h"

INT32 gLastVportNum = 0;
AcGsView* gLastViewP = NULL;
AcGePoint3d gSelPoint(0.0, 0.0, 0.0);
AcGeVector3d gSelAxis(0.0, 0.0, 0.0);
const AcGePoint3d gWorldOrigin(0.0, 0.0, 0.0);
bool gLastCenterResult = false;
bool gLastAxisResult = false;
