// Root of the host's runtime objects and the macros that give a host class
// its runtime-class members.
#pragma once

#include "AdAChar.h"
#include "acadstrc.h"
#include "rxdefs.h"

class AcRxClass;

// Root of every host object with a runtime class.
class AcRxObject {
public:
    AcRxObject() = default;
    virtual ~AcRxObject();
    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* inPtr) { return const_cast<AcRxObject*>(inPtr); }
    virtual AcRxClass* isA() const;
    virtual AcRxObject* clone() const;
    virtual Acad::ErrorStatus copyFrom(const AcRxObject* other);
    virtual bool isEqualTo(const AcRxObject* other) const;
    virtual AcRx::Ordering comparedTo(const AcRxObject* other) const;

    // True when this object's class is `aClass` or derived from it.
    bool isKindOf(const AcRxClass* aClass) const;

protected:
    AcRxObject(const AcRxObject&) = default;
    AcRxObject& operator=(const AcRxObject&) = default;
};

// Declares the runtime-class members of a host class (in the class body).
#define ACRX_DECLARE_MEMBERS(CLASS_NAME)                                             \
    static AcRxClass* desc();                                                        \
    static CLASS_NAME* cast(const AcRxObject* inPtr) {                               \
        return (inPtr == nullptr || !inPtr->isKindOf(CLASS_NAME::desc()))            \
                   ? nullptr                                                         \
                   : const_cast<CLASS_NAME*>(static_cast<const CLASS_NAME*>(inPtr)); \
    }                                                                                \
    AcRxClass* isA() const override

#define ACRX_WIDEN_NAME2(x) L##x
#define ACRX_WIDEN_NAME(x) ACRX_WIDEN_NAME2(x)

// Defines them (in one source file of the stand-in). The descriptor lives for
// the whole process.
#define ACRX_NO_CONS_DEFINE_MEMBERS(CLASS_NAME, PARENT_CLASS)                         \
    AcRxClass* CLASS_NAME::desc() {                                                   \
        static AcRxClass* const cls =                                                 \
            AcRxClass::makeClass(ACRX_WIDEN_NAME(#CLASS_NAME), PARENT_CLASS::desc()); \
        return cls;                                                                   \
    }                                                                                 \
    AcRxClass* CLASS_NAME::isA() const {                                              \
        return CLASS_NAME::desc();                                                    \
    }
