// The global geometry context of the host API: tolerances of comparisons and
// of the zero-length test of normalisation. Geometry is in world
// coordinates, right-handed, angles in radians (positive angles turn
// counter-clockwise seen from the tip of the axis). Plain values; any thread.
#pragma once

#include "getol.h"

// The global geometry context: the default tolerance of every operation.
struct AcGeContext {
    static AcGeTol gTol;
};
