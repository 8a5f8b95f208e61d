// The names of the host compiler's C runtime that the POSIX C library lacks,
// with that runtime's signatures and behaviour (<stdlib.h>, <float.h>,
// <stdio.h>). The POSIX build includes this header into every source of the
// module; on Windows the runtime's own headers declare them. C++98.
#pragma once

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
