// The editor side of the host API: commands, the aced functions and the
// viewport the user works in.
#pragma once

#include "accmd.h"
#include "acedads.h"

class AcDbObjectId;

// The viewport the user works in: in a layout, its paper-space viewport.
AcDbObjectId acedActiveViewportId();
