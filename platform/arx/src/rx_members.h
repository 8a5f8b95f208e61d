// The stand-in's definitions of the runtime-class members of its host
// classes, and the descriptors they return.
#pragma once

#include "rxclass.h"

namespace arxsim::detail {

// A descriptor named `name` below `parent` (null for the root); it lives for
// the whole process.
AcRxClass* makeRxClass(const ACHAR* name, AcRxClass* parent);

}  // namespace arxsim::detail

#define ACRX_STANDIN_WIDEN2(x) L##x
#define ACRX_STANDIN_WIDEN(x) ACRX_STANDIN_WIDEN2(x)

// Defines desc() and isA() of CLASS_NAME (in one source file of the stand-in).
#define ACRX_NO_CONS_DEFINE_MEMBERS(CLASS_NAME, PARENT_CLASS)                                   \
    AcRxClass* CLASS_NAME::desc() {                                                             \
        static AcRxClass* const cls =                                                           \
            arxsim::detail::makeRxClass(ACRX_STANDIN_WIDEN(#CLASS_NAME), PARENT_CLASS::desc()); \
        return cls;                                                                             \
    }                                                                                           \
    AcRxClass* CLASS_NAME::isA() const {                                                        \
        return CLASS_NAME::desc();                                                              \
    }
