// The program's application class: the framework registers the commands,
// then the class creates the plug-in object; on unload the framework removes
// the commands, then the class destroys it. One instance, made by
// IMPLEMENT_ARX_ENTRYPOINT; host's main thread only.
#pragma once

#include <windows.h>

#include <memory>

#include <arxHeaders.h>

class QxAutoCad;

class CAutoCAD2011App : public AcRxArxApp {
public:
    CAutoCAD2011App();
    ~CAutoCAD2011App();
    CAutoCAD2011App(const CAutoCAD2011App&) = delete;
    CAutoCAD2011App& operator=(const CAutoCAD2011App&) = delete;

    AcRx::AppRetCode On_kInitAppMsg(void* pkt) override;
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt) override;
    void RegisterServerComponents() override {}

    // The commands of group QXGroup, named as the registration macro finds
    // them (group and global name run together).
    static void QXGroupQX_Toggle_Rotation_Center();
    static void QXGroupQX_Toggle_Rotation_Axis();
    static void QXGroupQX_Toggle_Scroll_Mode();
    static void QXGroupQX_Toggle_Object_Move_Mode();

    // The plug-in object, from kInitAppMsg to kUnloadAppMsg.
    std::unique_ptr<QxAutoCad> mQxAutoCadP;
};
