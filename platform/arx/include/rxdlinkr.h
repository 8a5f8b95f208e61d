// The host's application loader, found in the system registry.
#pragma once

#include "rxdict.h"
#include "rxnames.h"

// The host's application loader.
class AcRxDynamicLinker : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcRxDynamicLinker);
    // Lets the user unload the application `appId` (the data pointer of
    // kInitAppMsg).
    virtual bool unlockApplication(void* appId) const;
    // Declares the application able to work with several open drawings.
    virtual bool registerAppMDIAware(void* appId) const;
};
#define acrxDynamicLinker AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER))
