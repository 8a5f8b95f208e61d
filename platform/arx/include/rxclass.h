// Runtime class descriptors and the class tree.
#pragma once

#include "rxobject.h"

// Runtime class descriptor: a name and a parent. Abstract: the host makes
// them.
class AcRxClass : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxClass);
    virtual const ACHAR* name() const = 0;
    virtual AcRxClass* myParent() const = 0;
    // True for this class and the classes it derives from, directly or not.
    virtual bool isDerivedFrom(const AcRxClass* other) const = 0;
};

// Rebuilds the runtime class tree after classes were added.
void acrxBuildClassHierarchy();
// Removes a runtime class from the tree. The stand-in keeps the descriptor.
void deleteAcRxClass(AcRxClass* pClassObj);
