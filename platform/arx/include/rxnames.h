// Keys of the host's system registry.
#pragma once

#include "AdAChar.h"

#define ACRX_DYNAMIC_LINKER ACRX_T("DynamicLinker")
