// The host's character type: wide text throughout.
#pragma once

#if defined(_MSC_VER) && !defined(_NATIVE_WCHAR_T_DEFINED)
#error The host API needs a native wchar_t type (/Zc:wchar_t).
#endif

typedef wchar_t ACHAR;
#ifndef ACRX_T
#define ACRX_T(x) L##x
#endif
