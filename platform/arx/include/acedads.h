// Lisp functions, system variables, selection sets and redraws of the
// aced family.
#pragma once

#include "AdAChar.h"
#include "adsdef.h"

extern "C" {

// Each returns RTNORM; the stand-in only counts the calls.
int acedDefun(const ACHAR* sname, short funcno);
int acedRegFunc(int (*fhdl)(void), int fcode);
int acedUndef(const ACHAR* sname, short funcno);
// Number of the Lisp function being invoked (set through arx_control.h;
// RTERROR when none).
int acedGetFunCode();

// Reads a system variable (name case-insensitive). "tilemode" and "cvport"
// give RTSHORT values with RTNORM (or what arx_control.h sets). RTERROR
// without a current document, for a name the stand-in does not know or for a
// null argument.
int acedGetVar(const ACHAR* sym, struct resbuf* result);

// Selection sets. acedSSGet supports the mode "I" (the pickfirst selection,
// no further arguments): RTNORM and a new set when something is selected,
// RTERROR otherwise (nothing selected, no drawing, another mode). Every set
// handed out must be freed with acedSSFree.
int acedSSGet(const ACHAR* str, const void* pt1, const void* pt2, const struct resbuf* filter,
              ads_name ss);
int acedSSLength(const ads_name sname, long* len);
// Entity name of member `i`; RTERROR for an unknown set or index.
int acedSSName(const ads_name ss, long i, ads_name entres);
// RTERROR for a set that is not handed out (already freed).
int acedSSFree(const ads_name sname);

// Redraws one entity (mode 1: draw it); a `redraw` transcript event.
int acedRedraw(const ads_name ent, int mode);

}  // extern "C"
