// Root of the host's runtime objects and the macro that gives a host class
// its runtime-class members.
#pragma once

#include "AdAChar.h"
#include "acadstrc.h"
#include "adesk.h"
#include "rxdefs.h"

class AcRxClass;

// Root of every host object with a runtime class.
class AcRxObject {
public:
    virtual ~AcRxObject();
    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* inPtr) { return const_cast<AcRxObject*>(inPtr); }
    virtual AcRxClass* isA() const;
    virtual AcRxObject* clone() const;
    virtual Acad::ErrorStatus copyFrom(const AcRxObject* other);
    virtual Adesk::Boolean isEqualTo(const AcRxObject* other) const;
    virtual AcRx::Ordering comparedTo(const AcRxObject* other) const;

    // True when this object's class is `aClass` or derived from it.
    bool isKindOf(const AcRxClass* aClass) const;

protected:
    AcRxObject() {}
    AcRxObject(const AcRxObject&) {}
    AcRxObject& operator=(const AcRxObject&) { return *this; }
};

// Declares the runtime-class members of a host class (in the class body).
#define ACRX_DECLARE_MEMBERS(CLASS_NAME)                                             \
    static AcRxClass* desc();                                                        \
    static CLASS_NAME* cast(const AcRxObject* inPtr) {                               \
        return (inPtr == NULL || !inPtr->isKindOf(CLASS_NAME::desc()))               \
                   ? NULL                                                            \
                   : const_cast<CLASS_NAME*>(static_cast<const CLASS_NAME*>(inPtr)); \
    }                                                                                \
    AcRxClass* isA() const
