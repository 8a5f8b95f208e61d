// POSIX environment and terminal names that qxsim uses, on the Windows C
// run-time. Included ahead of every qxsim source in the Windows build.
#pragma once

#include <io.h>
#include <stdio.h>
#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value);
}
