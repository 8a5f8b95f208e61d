// The host's system registry.
#pragma once

#include "rxobject.h"

// The host's system registry: objects by key.
class AcRxDictionary : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDictionary);
    // The object under `key`, or null.
    virtual AcRxObject* at(const ACHAR* key) const;
};

extern "C" AcRxDictionary* acrxSysRegistry();
