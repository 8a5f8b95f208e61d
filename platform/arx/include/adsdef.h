// Values of the aced/acut family: points, entity and selection-set names and
// result buffers. Packed to 8 bytes, as the host lays them out.
#pragma once

#include "AdAChar.h"
#include "adesk.h"

#pragma pack(push, 8)

typedef double ads_real;
typedef ads_real ads_point[3];
typedef Adesk::Int64 ads_name[2];
typedef Adesk::Int64* ads_namep;

union ads_u_val {
    ads_real rreal;
    ads_real rpoint[3];
    short rint;
    ACHAR* rstring;
    Adesk::Int64 rlname[2];
    Adesk::Int64 mnLongPtr;
    long rlong;
    Adesk::Int64 mnInt64;
    struct ads_binary {
        short clen;
        char* buf;
    } rbinary;
    unsigned char ihandle[8];
};

struct resbuf {
    struct resbuf* rbnext;
    short restype;
    union ads_u_val resval;
};

#pragma pack(pop)
