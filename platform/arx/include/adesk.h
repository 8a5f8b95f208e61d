// Basic integer and boolean types of the host API, nested in struct Adesk,
// made of the compiler's own types (this header includes nothing).
#pragma once

struct Adesk {
    typedef char Int8;
    typedef short Int16;
#if defined(_WIN32)
    typedef long Int32;  // LLP64: long is 32 bits wide
    typedef unsigned long UInt32;
    typedef long long Int64;  // __int64
    typedef unsigned long long UInt64;
#else
    typedef int Int32;
    typedef unsigned int UInt32;
    typedef long Int64;  // LP64: long is 64 bits wide
    typedef unsigned long UInt64;
#endif
    typedef unsigned char UInt8;
    typedef unsigned short UInt16;
    typedef unsigned char uchar;
    typedef unsigned short ushort;
    typedef unsigned int uint;
    typedef unsigned long ulong;
    typedef Int64 IntPtr;
    typedef UInt64 UIntPtr;
    typedef Int64 LongPtr;
    typedef UInt64 ULongPtr;
    typedef IntPtr IntDbId;
    typedef IntPtr GsMarker;
    typedef int Boolean;
    enum { kFalse = 0, kTrue = 1 };
};
