// Command flags and the host's command stack.
#pragma once

#include "adesk.h"
#include "rxdict.h"
#include "rxnames.h"

#define ACRX_COMMAND_DOCK ACRX_T("ACAD_REGISTERED_COMMANDS")

#define ACRX_CMD_MODAL 0x00000000
#define ACRX_CMD_TRANSPARENT 0x00000001
#define ACRX_CMD_USEPICKSET 0x00000002
#define ACRX_CMD_REDRAW 0x00000004
#define ACRX_CMD_NOPERSPECTIVE 0x00000008
#define ACRX_CMD_NOMULTIPLE 0x00000010
#define ACRX_CMD_NOTILEMODE 0x00000020
#define ACRX_CMD_NOPAPERSPACE 0x00000040
#define ACRX_CMD_UNDEFINED 0x00000200
#define ACRX_CMD_SESSION 0x00200000
#define ACRX_CMD_NO_UNDO_MARKER 0x01000000

typedef void (*AcRxFunctionPtr)();
class AcEdUIContext;
class AcEdCommand;

// The registered commands of the host, grouped.
class AcEdCommandStack : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcEdCommandStack);
    // Registers `cmdGlobalName` in `cmdGroupName`. eDuplicateKey when the
    // group already holds that name; eInvalidInput for a null name or function.
    virtual Acad::ErrorStatus addCommand(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName,
                                         const ACHAR* cmdLocalName, Adesk::Int32 commandFlags,
                                         AcRxFunctionPtr functionAddr,
                                         AcEdUIContext* UIContext = NULL, int fcode = -1,
                                         HINSTANCE hResourceHandle = NULL,
                                         AcEdCommand** cmdPtrRet = NULL);
    // eKeyNotFound when the group has no such command.
    virtual Acad::ErrorStatus removeCmd(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName);
};
#define acedRegCmds AcEdCommandStack::cast(acrxSysRegistry()->at(ACRX_COMMAND_DOCK))
