// Runtime class descriptors and the class tree.
#pragma once

#include "rxobject.h"

// Runtime class descriptor: a name and a parent.
class AcRxClass : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxClass);
    const ACHAR* name() const { return mName; }
    AcRxClass* myParent() const { return mParent; }
    bool isDerivedFrom(const AcRxClass* other) const;

    // Stand-in: creates a descriptor that is never freed.
    static AcRxClass* makeClass(const ACHAR* name, AcRxClass* parent);

private:
    AcRxClass(const ACHAR* name, AcRxClass* parent) : mName(name), mParent(parent) {}
    const ACHAR* mName;
    AcRxClass* mParent;
};

// Rebuilds the runtime class tree after classes were added.
void acrxBuildClassHierarchy();
// Removes a runtime class from the tree. The stand-in keeps the descriptor.
void deleteAcRxClass(AcRxClass* pClassObj);
