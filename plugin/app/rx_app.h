// The small ObjectARX application framework behind acrxEntryPoint: the root
// AcRxDbxApp (instance handle, unload and MDI flags, custom classes), the
// AcRxArxApp layer (commands and Lisp functions) and the message dispatcher.
// The host calls everything here on its main thread only.
#pragma once

#include <arxHeaders.h>

class AcRxDbxApp {
public:
    // Constant-initialised: the single application object is complete as
    // static data before any code of the module runs.
    constexpr AcRxDbxApp() = default;
    AcRxDbxApp(const AcRxDbxApp&) = delete;
    AcRxDbxApp& operator=(const AcRxDbxApp&) = delete;

    // Calls the handler of `msg` (codes 0 to 15); any other code returns 0
    // and calls nothing. `pkt` is passed on unchanged.
    AcRx::AppRetCode dispatch(AcRx::AppMsgCode msg, void* pkt);

    // Handlers, in the order of their slots.
    virtual AcRx::AppRetCode On_kInitAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kLoadDwgMsg(void* pkt);
    virtual AcRx::AppRetCode On_kUnloadDwgMsg(void* pkt);
    virtual AcRx::AppRetCode On_kInvkSubrMsg(void* pkt);
    virtual AcRx::AppRetCode On_kCfgMsg(void* pkt);
    virtual AcRx::AppRetCode On_kEndMsg(void* pkt);
    virtual AcRx::AppRetCode On_kQuitMsg(void* pkt);
    virtual AcRx::AppRetCode On_kSaveMsg(void* pkt);
    virtual AcRx::AppRetCode On_kDependencyMsg(void* pkt);
    virtual AcRx::AppRetCode On_kNoDependencyMsg(void* pkt);
    virtual AcRx::AppRetCode On_kOleUnloadAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kPreQuitMsg(void* pkt);
    virtual AcRx::AppRetCode On_kInitDialogMsg(void* pkt);
    virtual AcRx::AppRetCode On_kEndDialogMsg(void* pkt);
    virtual AcRx::AppRetCode On_kNullMsg(void* pkt);
    virtual void RegisterServerComponents() = 0;

    HINSTANCE mHdllInstance = nullptr;
    bool mIsUnlocked = true;
    bool mIsMDIAware = true;

protected:
    // Never destroyed through a base pointer: the one object is static.
    ~AcRxDbxApp() = default;
};

class AcRxArxApp : public AcRxDbxApp {
public:
    constexpr AcRxArxApp() = default;

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override;
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override;
    AcRx::AppRetCode On_kLoadDwgMsg(void* pkt) override;
    AcRx::AppRetCode On_kUnloadDwgMsg(void* pkt) override;
    AcRx::AppRetCode On_kInvkSubrMsg(void* pkt) override;
    void RegisterServerComponents() override = 0;

protected:
    ~AcRxArxApp() = default;
};
