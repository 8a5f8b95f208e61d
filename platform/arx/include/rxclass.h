// Runtime class descriptors and the class tree.
#pragma once

#include "rxobject.h"

// Runtime class descriptor: a name and a parent. The host makes them.
class AcRxClass : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxClass);
    const ACHAR* name() const;
    AcRxClass* myParent() const;
    bool isDerivedFrom(const AcRxClass* other) const;
};

// Rebuilds the runtime class tree after classes were added.
void acrxBuildClassHierarchy();
// Removes a runtime class from the tree. The stand-in keeps the descriptor.
void deleteAcRxClass(AcRxClass* pClassObj);
