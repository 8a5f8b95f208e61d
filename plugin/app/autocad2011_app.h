// The program's application class: the framework registers the commands,
// then the class creates the plug-in object; on unload the framework removes
// the commands, then the class destroys it. One instance, made by
// IMPLEMENT_ARX_ENTRYPOINT; host's main thread only.
#pragma once

#include <windows.h>

#include <arxHeaders.h>

#include "command_table.h"
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
#define QX_DECLARE_COMMAND(name, function) static void QXGroup##name();
    QX_COMMANDS(QX_DECLARE_COMMAND)
#undef QX_DECLARE_COMMAND

    // The plug-in object, from kInitAppMsg to kUnloadAppMsg.
    ScopedPtr<QxAutoCad> mQxAutoCadP;

private:
    // Destroys the plug-in object, if there is one; never throws.
    void deletePlugIn();

    CAutoCAD2011App(const CAutoCAD2011App&);
    CAutoCAD2011App& operator=(const CAutoCAD2011App&);
};
