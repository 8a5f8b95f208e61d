// Result codes of the aced/acut family and the result type of a short value.
#pragma once

#define RTSHORT 5003
#define RTNORM 5100
#define RTERROR (-5001)
#define RTCAN (-5002)
