// What the Windows build's C runtime headers (mingw-w64) do not declare of
// the host compiler's runtime, with that runtime's declarations (Visual C++
// 2008, <stdio.h>); msvcrt.dll and mingw-w64's import library have the
// functions. Included into every source of the module in that build.
#pragma once

#include <locale.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

_CRTIMP int __cdecl _snprintf_l(char* _DstBuf, size_t _MaxCount, const char* _Format,
                                _locale_t _Locale, ...);

#ifdef __cplusplus
}
#endif
