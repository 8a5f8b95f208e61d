// The host's character type: wide text throughout.
#pragma once

#if defined(_MSC_VER) && !defined(_NATIVE_WCHAR_T_DEFINED)
#error The host API needs a native wchar_t type (/Zc:wchar_t).
#endif

typedef wchar_t ACHAR;
// Two levels, so that a macro argument is expanded before the L is pasted on.
#define _ACRX_T(x) L##x
#define ACRX_T(x) _ACRX_T(x)
