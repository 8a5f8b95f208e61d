// The host API as the plug-in includes it: the core (applications, commands,
// command line, system variables, documents) and, when present, geometry,
// graphics views and the drawing database.
#pragma once

#include "arx_core.h"

#if __has_include("arx_geometry.h")
#include "arx_geometry.h"
#endif
#if __has_include("arx_graphics.h")
#include "arx_graphics.h"
#endif
#if __has_include("arx_database.h")
#include "arx_database.h"
#endif
