// What 3D navigation and the selection lookups remember from one pass to the
// next, for the module's lifetime. Host's main thread only: no other thread
// reads or writes these.
//
// - retrieveViewParams writes gLastVportNum and gLastViewP on every pass of
//   a deflected cap in 3D; the 3D handler reads them through its result.
// - getSelObjectsCenter and getSelObjectAxis read the pickfirst selection on
//   a motion's first step only: they write gSelPoint (and the axis lookup
//   gSelAxis) and their result into gLastCenterResult / gLastAxisResult, and
//   on the later steps of the motion return that result again, so the 3D
//   handler keeps rotating about the point and line found at the start.
#pragma once

#include <windows.h>

#include <gepnt3d.h>
#include <gevec3d.h>

class AcGsView;

extern INT32 gLastVportNum;    // "CVPORT" at the last successful view lookup
extern AcGsView* gLastViewP;   // view of the last lookup, null after a failed one
extern AcGePoint3d gSelPoint;  // centre of the selection or start of the line
extern AcGeVector3d gSelAxis;  // unit direction of the selected line
extern const AcGePoint3d gWorldOrigin;
extern bool gLastCenterResult;  // last getSelObjectsCenter that read the selection
extern bool gLastAxisResult;    // last getSelObjectAxis that read the selection
