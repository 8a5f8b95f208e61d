// Control side of the host-API stand-in core: sets up the session's space,
// document and document manager, runs registered commands as the user would,
// and reads back what the plug-in asked of the host. Used by tests and qxsim
// on the host's main thread; never by the plug-in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "arxHeaders.h"

namespace arxsim {

// ---- Space and documents -------------------------------------------------------
// System variables "tilemode" and "cvport". Starts on the Model tab (1, 2).
void setSpace(int tilemode, int cvport);
int tilemode();
int cvport();

// Closes the current drawing: every registered reactor hears
// documentToBeDestroyed, then documentDestroyed; the document's locks go with
// it and curDocument() becomes null. No effect without a current drawing.
void closeDocument();
// Opens a new current drawing (reactors hear documentCreateStarted,
// documentCreated, documentBecameCurrent, documentActivated). No effect when
// one is open. Documents are never freed before reset(), so a stale pointer
// held by the plug-in stays safe to pass back (calls with it fail).
void openDocument();
bool hasDocument();

// Makes acDocManagerPtr() return null (absent) or the manager again. An absent
// manager forgets its reactors, as a host does that has torn it down.
void setDocManagerPresent(bool present);

// ---- Commands -------------------------------------------------------------------
struct CommandInfo {
    std::wstring group;
    std::wstring globalName;
    std::wstring localName;
    Adesk::Int32 flags = 0;
    AcRxFunctionPtr function = nullptr;
    int fcode = -1;
    HINSTANCE resource = nullptr;
};
// Registered commands in order of registration.
std::vector<CommandInfo> commands();
// Runs the registered command with this global or local name (case-insensitive),
// as the user typing it. False when there is none.
bool runCommand(std::wstring_view name);
bool runCommand(std::string_view name);

// ---- Lisp ---------------------------------------------------------------------------
// What acedGetFunCode() returns. Starts RTERROR.
void setFunCode(int code);

// ---- Read-back -------------------------------------------------------------------
enum class Call {
    Defun,
    RegFunc,
    Undef,
    GetFunCode,
    BuildClassHierarchy,
    DeleteAcRxClass,
    UnlockApplication,
    RegisterAppMDIAware,
};
int callCount(Call call);
int hostCallCount();  // every host call of this core, of any kind
// acedGetVar calls for this variable (case-insensitive), answered or not.
int varReadCount(std::wstring_view name);

int reactorCount();
// Lock depth of the current document (0: unlocked) and the mode of its
// innermost lock (AcAp::kNone when unlocked).
int lockDepth();
AcAp::DocLockMode lockMode();

// Texts printed with acutPrintf (after formatting) and strings sent with
// sendStringToExecute, since the last reset or clear.
std::vector<std::wstring> printed();
std::vector<std::wstring> sentStrings();
void clearOutput();

// Back to the initial state: Model tab, one document, manager present, no
// commands, no reactors, no locks, counters zero. Documents closed earlier
// are freed here.
void reset();

}  // namespace arxsim
