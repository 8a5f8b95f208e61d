// The application entry in the test host: messages sent as the host sends
// them, and the module unloaded at the end if a test left it loaded.
#pragma once

#include <windows.h>

#include <arxHeaders.h>

#include "autocad2011_app.h"
#include "test_host.h"

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);

class AppHost : public TestHost {
protected:
    void TearDown() override {
        if (app().mQxAutoCadP.get() != nullptr) {
            send(AcRx::kUnloadAppMsg);
        }
        TestHost::TearDown();
    }

    // Sends a message as the host does, with the host's data pointer.
    AcRx::AppRetCode send(int code) {
        return acrxEntryPoint(static_cast<AcRx::AppMsgCode>(code), &mAppId);
    }

    // The module's application object.
    static CAutoCAD2011App& app() { return static_cast<CAutoCAD2011App&>(*acrxGetApp()); }

    int mAppId = 0;  // what the data pointer points at
};
