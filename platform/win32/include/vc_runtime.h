// The names of the host compiler's C runtime that the POSIX C library lacks,
// with that runtime's signatures and behaviour (<stdlib.h>, <float.h>,
// <stdio.h>, <locale.h>). The POSIX build includes this header into every source of the
// module; on Windows the runtime's own headers declare them. C++98.
#pragma once

#include <locale.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Absolute value; the most negative value stays as it is.
inline long long _abs64(long long value) {
    return value < 0 ? static_cast<long long>(0ULL - static_cast<unsigned long long>(value))
                     : value;
}

inline long long _strtoi64(const char* text, char** end, int base) {
    return strtoll(text, end, base);
}

// Non-zero when the value is neither infinite nor NaN.
inline int _finite(double value) {
    return __builtin_isfinite(value) ? 1 : 0;
}
inline int _isnan(double value) {
    return __builtin_isnan(value) ? 1 : 0;
}

// Writes at most `count` characters. When the text fits, it is terminated
// unless it is exactly `count` long; when it does not, the first `count`
// characters are written without a terminating zero and the result is -1.
inline int _vsnprintf(char* buffer, size_t count, const char* format, va_list args) {
    va_list again;
    __builtin_va_copy(again, args);
    const int length = vsnprintf(buffer, count, format, args);
    if (length < 0 || static_cast<size_t>(length) < count) {
        va_end(again);
        return length;
    }
    // Too long (or exactly as long) for the buffer: the runtime fills all of
    // it and leaves the terminator out.
    char* whole = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (whole != NULL) {
        vsnprintf(whole, static_cast<size_t>(length) + 1, format, again);
        memcpy(buffer, whole, count);
        free(whole);
    }
    va_end(again);
    return static_cast<size_t>(length) == count ? length : -1;
}
inline int _snprintf(char* buffer, size_t count, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return length;
}

// A locale object of the runtime, made by _create_locale for one category
// and passed to the _l functions, which then ignore the process's locale.
// Its members are the runtime's own; here it holds a POSIX locale.
typedef struct localeinfo_struct {
    locale_t locinfo;
} _locale_tstruct, *_locale_t;

// NULL when the locale is unknown.
inline _locale_t _create_locale(int category, const char* locale) {
    int mask = LC_ALL_MASK;
    switch (category) {
        case LC_NUMERIC:
            mask = LC_NUMERIC_MASK;
            break;
        case LC_CTYPE:
            mask = LC_CTYPE_MASK;
            break;
        case LC_TIME:
            mask = LC_TIME_MASK;
            break;
        default:
            break;
    }
    const locale_t posix = newlocale(mask, locale, (locale_t)0);
    if (posix == (locale_t)0) {
        return NULL;
    }
    _locale_t made = static_cast<_locale_t>(malloc(sizeof(_locale_tstruct)));
    if (made == NULL) {
        freelocale(posix);
        return NULL;
    }
    made->locinfo = posix;
    return made;
}
inline void _free_locale(_locale_t locale) {
    if (locale != NULL) {
        freelocale(locale->locinfo);
        free(locale);
    }
}

// _vsnprintf and _snprintf in the given locale (NULL: the process's).
inline int _vsnprintf_l(char* buffer, size_t count, const char* format, _locale_t locale,
                        va_list args) {
    const locale_t previous = locale != NULL ? uselocale(locale->locinfo) : (locale_t)0;
    const int length = _vsnprintf(buffer, count, format, args);
    if (locale != NULL) {
        uselocale(previous);
    }
    return length;
}
inline int _snprintf_l(char* buffer, size_t count, const char* format, _locale_t locale, ...) {
    va_list args;
    va_start(args, locale);
    const int length = _vsnprintf_l(buffer, count, format, locale, args);
    va_end(args);
    return length;
}
