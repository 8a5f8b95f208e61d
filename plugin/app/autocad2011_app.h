// The program's application class: registers the commands through the
// framework, then creates the plug-in object; on unload removes the commands,
// then destroys it. One static instance; host's main thread only.
#pragma once

#include <memory>

#include <arxHeaders.h>

class QxAutoCad;

class CAutoCAD2011App : public AcRxArxApp {
public:
    constexpr CAutoCAD2011App() = default;
    ~CAutoCAD2011App();

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override;
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override;
    void RegisterServerComponents() override {}

    // The plug-in object, from kInitAppMsg to kUnloadAppMsg.
    std::unique_ptr<QxAutoCad> mQxAutoCadP;
};

// The module's one application object.
extern CAutoCAD2011App theApp;
