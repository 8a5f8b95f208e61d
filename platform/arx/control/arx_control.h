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
// documentToBeDestroyed while it is still current, then documentDestroyed;
// the document's locks go with it. The drawing active before it, if one is
// open, becomes current (as activateDocument does, without a deactivation);
// else curDocument() becomes null. No effect without a current drawing.
void closeDocument();
// Reopens the drawing closed last, as a new current document (reactors hear
// documentCreateStarted, documentCreated, documentToBeActivated,
// documentBecameCurrent, documentActivated). No effect when one is open.
// Documents are never freed before reset(), so a stale pointer held by the
// plug-in stays safe to pass back (calls with it fail).
void openDocument();
bool hasDocument();

// Makes acedGetVar answer variable `name` (case-insensitive) with this
// result type and value, copied as given, instead of its own short value:
// a host that gives the variable another type. Until reset().
void setVarAnswer(std::wstring_view name, short restype, const ads_u_val& value);

// ---- Several drawings -------------------------------------------------------------
// Documents are numbered 1, 2, ... in order of opening since the reset; the
// number N names "DrawingN.dwg". Each drawing has its own entities, layers,
// pickfirst selection, views, paper-space viewport, space and locks; the
// drawing control (arx_drawing_control.h) and setSpace act on the current
// one. Once a second drawing is open the transcript writes `document` events
// (op "open", "current", "close"; name) and names the drawing of each lock
// and unlock (`doc`).
//
// Opens a further, empty drawing on the Model tab and makes it current
// (documentCreateStarted, documentCreated, then as activateDocument). Returns
// its number.
int newDocument();
// Makes open document `number` current, in the host's order: the current
// one hears documentToBeDeactivated (still current), the new one
// documentToBeActivated; it becomes current, then hears documentBecameCurrent
// and documentActivated. Nothing when it is current already; false when it
// is not open.
bool activateDocument(int number);
// Closes open document `number` as closeDocument() does; closing another
// than the current one changes no activation. False when it is not open.
bool closeDocument(int number);
// The current document's number (0: none) and the open ones in order.
int currentDocument();
std::vector<int> openDocuments();

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
// Called at every acedGetVar, on the thread that calls it,, after the host has let
// what fell due reach the plug-in's threads and before the variable is
// looked up; no stand-in lock is held, so it may use the control headers.
// The plug-in's driver reads "tilemode" and then "cvport" at the start of
// each pass. Null to stop; reset() stops it too.
using VarReadObserver = void (*)(void* context, std::wstring_view name);
void setVarReadObserver(VarReadObserver observer, void* context);

int reactorCount();
// Lock depth of the current document (0: unlocked) and the mode of its
// innermost lock (AcAp::kNone when unlocked); the lock depth of document
// `number`.
int lockDepth();
int lockDepth(int number);
AcAp::DocLockMode lockMode();

// Texts printed with acutPrintf (after formatting) and strings sent with
// sendStringToExecute, since the last reset or clear.
std::vector<std::wstring> printed();
std::vector<std::wstring> sentStrings();
void clearOutput();

// ---- A host out of memory ------------------------------------------------------------
// The next call of this host operation throws std::bad_alloc before it does
// anything, as a host whose memory has run out does. Once, or until reset().
enum class Throwing { Print, SendString, RemoveCommand, CurrentDocument };
void throwOnNextCall(Throwing op);

// Back to the initial state: Model tab, one document (number 1), manager present, no
// commands, no reactors, no locks, counters zero. Documents closed earlier
// are freed here.
void reset();

}  // namespace arxsim
