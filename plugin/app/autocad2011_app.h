// The program's application class: the framework registers the commands,
// then the class creates the plug-in object; on unload the framework removes
// the commands, then the class destroys it. One instance, made by
// IMPLEMENT_ARX_ENTRYPOINT; host's main thread only.
#pragma once

#include <windows.h>

#include <arxHeaders.h>

#include "scoped_ptr.h"

class QxAutoCad;

class CAutoCAD2011App : public AcRxArxApp {
public:
    CAutoCAD2011App();
    ~CAutoCAD2011App();

    AcRx::AppRetCode On_kInitAppMsg(void* pkt);
    AcRx::AppRetCode On_kUnloadAppMsg(void* pkt);
    void RegisterServerComponents() {}

    // The commands of group QXGroup, named as the registration macro finds
    // them (group and global name run together).
    static void QXGroupQX_Toggle_Rotation_Center();
    static void QXGroupQX_Toggle_Rotation_Axis();
    static void QXGroupQX_Toggle_Scroll_Mode();
    static void QXGroupQX_Toggle_Object_Move_Mode();

    // The plug-in object, from kInitAppMsg to kUnloadAppMsg.
    ScopedPtr<QxAutoCad> mQxAutoCadP;

private:
    // Destroys the plug-in object, if there is one; never throws.
    void deletePlugIn();

    CAutoCAD2011App(const CAutoCAD2011App&);
    CAutoCAD2011App& operator=(const CAutoCAD2011App&);
};
