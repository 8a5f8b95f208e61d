// Device keys on the host's main thread: a pending application function runs
// a macro of the menu file, a pending special function a standard view or
// zoom all, both as text queued on the current drawing's command line.

#include <sstream>
#include <string>
#include <vector>

#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "host_helpers.h"
#include "logging.h"
#include "qx_auto_cad.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

const INT32 kNoApplFunction = -1;
const INT32 kNoSpecialFunction = 0;

const ACHAR* const kZoomAll = L"'_ZOOM _ALL ";
// Paper space takes the zoom without the apostrophe (not transparently).
const ACHAR* const kZoomAllPaper = L"_ZOOM _ALL ";
const ACHAR* const kTwoEscapes = L"\x1b\x1b";
const char* const kMenuCmdHead = "(command (menucmd \"";
const char* const kMenuCmdTail = "\"))\n";

struct SpecialCommand {
    INT32 code;
    const ACHAR* text;
};

// Standard views sent in model space. Each ends in one blank.
const SpecialCommand kViewCommands[] = {
    {kEvViewFront, L"'_-VIEW _FRONT "}, {kEvViewRight, L"'_-VIEW _RIGHT "},
    {kEvViewTop, L"'_-VIEW _TOP "},     {kEvViewBack, L"'_-VIEW _BACK "},
    {kEvViewLeft, L"'_-VIEW _LEFT "},   {kEvViewBottom, L"'_-VIEW _BOTTOM "},
};

// The parts of a macro between ";" as a stream line reader with ";" as
// delimiter gives them: nothing for an empty macro, no part for an empty
// text after the last ";".
std::vector<std::string> splitMacro(const std::string& macro) {
    std::vector<std::string> parts;
    std::istringstream in(macro);
    std::string part;
    while (std::getline(in, part, ';')) {
        parts.push_back(part);
    }
    return parts;
}

// Macros starting with "M=" are menu-macro expressions, run through menucmd.
bool isMenuCmd(const std::string& part) {
    return part.size() >= 2 && part[0] == 'M' && part[1] == '=';
}

// Takes the request in `pending` with an exchange, so that one stored
// meanwhile by the reading thread stays for the next pass, and runs it. A
// request whose operation throws is put back (unless a newer one came) and
// runs again.
void takeAndRun(InterlockedValue& pending, INT32 none, AutoCadProxy& proxy,
                void (AutoCadProxy::*run)(INT32)) {
    const INT32 request = pending.exchange(none);
    try {
        (proxy.*run)(request);
    } catch (...) {
        pending.compareExchange(none, request);
        throw;
    }
}

// Queues text on the command line of `doc` (of the manager's), if any.
void sendToDocument(AcApDocManager* docManager, AcApDocument* doc, const ACHAR* text,
                    bool isToActivate) {
    if (doc != NULL) {
        docManager->sendStringToExecute(doc, text, isToActivate, false, true);
    }
}

}  // namespace

void AutoCadProxy::handleDeviceKeys() {
    try {
        if (mQxAutoCadP->mApplFunction.get() != kNoApplFunction) {
            takeAndRun(mQxAutoCadP->mApplFunction, kNoApplFunction, *this,
                       &AutoCadProxy::execApplFunction);
        }
        if (mQxAutoCadP->mSpecialFunction.get() != kNoSpecialFunction) {
            takeAndRun(mQxAutoCadP->mSpecialFunction, kNoSpecialFunction, *this,
                       &AutoCadProxy::execSpecialApplFunction);
        }
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleDeviceKeys")
            << "Error handleDeviceKeys()" << LOG_END;
    }
}

void AutoCadProxy::execApplFunction(INT32 index) {
    AcApDocManager* docManager = acDocManagerPtr();
    AcApDocument* doc = docManager != NULL ? docManager->curDocument() : NULL;

    const INT64 count = static_cast<INT64>(mMenuEntries.size());
    if (index >= count) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::execApplFunction")
            << "keyEvent (" << static_cast<INT64>(index) << "') too big (max. is " << (count - 1)
            << ")!" << LOG_END;
        return;
    }
    if (doc == NULL || index < 0) {
        return;
    }

    const std::vector<std::string> parts = splitMacro(mMenuEntries[static_cast<size_t>(index)]);
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (i == 0) {
            // Cancel whatever command is running before the macro starts.
            sendToDocument(docManager, doc, kTwoEscapes, true);
        }
        if (part.empty()) {
            sendToDocument(docManager, doc, L"\n", true);
        } else if (isMenuCmd(part)) {
            sendToDocument(docManager, doc, widen(kMenuCmdHead + part + kMenuCmdTail).c_str(),
                           true);
        } else {
            sendToDocument(docManager, doc, widen(part + "\n").c_str(), true);
        }
    }
}

void AutoCadProxy::execSpecialApplFunction(INT32 code) {
    AcApDocManager* docManager = acDocManagerPtr();
    AcApDocument* doc = docManager != NULL ? docManager->curDocument() : NULL;
    if (mNavMode.get() == kNavMode2D) {
        // Paper space of a layout: only zoom all; standard views mean nothing here.
        if (code == kEvZoomAll) {
            sendToDocument(docManager, doc, kZoomAllPaper, false);
        }
        return;
    }
    if (code == kEvZoomAll) {
        sendToDocument(docManager, doc, kZoomAll, false);
        return;
    }

    const SpecialCommand* command = NULL;
    for (std::size_t i = 0; i < sizeof kViewCommands / sizeof kViewCommands[0]; ++i) {
        if (kViewCommands[i].code == code) {
            command = &kViewCommands[i];
        }
    }
    if (command != NULL) {
        sendToDocument(docManager, doc, command->text, false);
    } else {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::execSpecialApplFunction")
            << "Unknown special command '" << static_cast<INT64>(code) << "' found!" << LOG_END;
    }
    if (mIsZoomAllAfterView.get() != 0) {
        sendToDocument(docManager, doc, kZoomAll, false);
    }
}
