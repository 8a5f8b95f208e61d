// Basic integer and boolean types of the host API, nested in struct Adesk.
#pragma once

#include <stdint.h>

struct Adesk {
    typedef char Int8;
    typedef short Int16;
#if defined(_WIN32)
    typedef long Int32;  // LLP64: long is 32 bits wide
    typedef unsigned long UInt32;
#else
    typedef int Int32;
    typedef unsigned int UInt32;
#endif
    typedef int64_t Int64;
    typedef unsigned char UInt8;
    typedef unsigned short UInt16;
    typedef uint64_t UInt64;
    typedef int64_t IntPtr;
    typedef uint64_t UIntPtr;
    typedef int64_t LongPtr;
    typedef uint64_t ULongPtr;
    typedef int Boolean;
};
