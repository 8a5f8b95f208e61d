// Device keys on the host's main thread: a pending application function runs
// a macro of the menu file, a pending special function a standard view or
// zoom all, both as text queued on the current drawing's command line.

#include <atomic>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "host_helpers.h"
#include "logging.h"
#include "qx_auto_cad.h"

namespace {

constexpr const char* kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
constexpr const char* kClass = "AutoCadProxy";

constexpr int32_t kNoApplFunction = -1;
constexpr int32_t kNoSpecialFunction = 0;

constexpr const ACHAR* kZoomAll = L"'_ZOOM _ALL ";
// Paper space takes the zoom without the apostrophe (not transparently).
constexpr const ACHAR* kZoomAllPaper = L"_ZOOM _ALL ";
constexpr const ACHAR* kTwoEscapes = L"\x1b\x1b";
constexpr const char* kMenuCmdHead = "(command (menucmd \"";
constexpr const char* kMenuCmdTail = "\"))\n";

struct SpecialCommand {
    int32_t code;
    const ACHAR* text;
};

// Standard views sent in model space. Each ends in one blank.
constexpr SpecialCommand kViewCommands[] = {
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
template <class Run>
void takeAndRun(std::atomic<int32_t>& pending, int32_t none, Run run) {
    const int32_t request = pending.exchange(none);
    try {
        run(request);
    } catch (...) {
        int32_t expected = none;
        pending.compare_exchange_strong(expected, request);
        throw;
    }
}

}  // namespace

void AutoCadProxy::handleDeviceKeys() {
    try {
        if (mQxAutoCadP->mApplFunction.load() != kNoApplFunction) {
            takeAndRun(mQxAutoCadP->mApplFunction, kNoApplFunction,
                       [this](int32_t index) { execApplFunction(index); });
        }
        if (mQxAutoCadP->mSpecialFunction.load() != kNoSpecialFunction) {
            takeAndRun(mQxAutoCadP->mSpecialFunction, kNoSpecialFunction,
                       [this](int32_t code) { execSpecialApplFunction(code); });
        }
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::handleDeviceKeys")
            << "Error handleDeviceKeys()" << LOG_END;
    }
}

void AutoCadProxy::execApplFunction(int32_t index) {
    AcApDocManager* docManager = acDocManagerPtr();
    AcApDocument* doc = docManager != nullptr ? docManager->curDocument() : nullptr;

    const auto count = static_cast<int64_t>(mMenuEntries.size());
    if (index >= count) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::execApplFunction")
            << "keyEvent (" << static_cast<int64_t>(index) << "') too big (max. is " << (count - 1)
            << ")!" << LOG_END;
        return;
    }
    if (doc == nullptr || index < 0) {
        return;
    }

    const auto send = [&](const std::wstring& text) {
        docManager->sendStringToExecute(doc, text.c_str(), true, false, true);
    };
    const std::vector<std::string> parts = splitMacro(mMenuEntries[static_cast<size_t>(index)]);
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (i == 0) {
            // Cancel whatever command is running before the macro starts.
            send(kTwoEscapes);
        }
        if (part.empty()) {
            send(L"\n");
        } else if (isMenuCmd(part)) {
            send(widen(kMenuCmdHead + part + kMenuCmdTail));
        } else {
            send(widen(part + "\n"));
        }
    }
}

void AutoCadProxy::execSpecialApplFunction(int32_t code) {
    AcApDocManager* docManager = acDocManagerPtr();
    AcApDocument* doc = docManager != nullptr ? docManager->curDocument() : nullptr;
    const auto send = [&](const ACHAR* text) {
        if (doc != nullptr) {
            docManager->sendStringToExecute(doc, text, false, false, true);
        }
    };

    if (mNavMode.load() == kNavMode2D) {
        // Paper space of a layout: only zoom all; standard views mean nothing here.
        if (code == kEvZoomAll) {
            send(kZoomAllPaper);
        }
        return;
    }
    if (code == kEvZoomAll) {
        send(kZoomAll);
        return;
    }

    const SpecialCommand* command = nullptr;
    for (const auto& candidate : kViewCommands) {
        if (candidate.code == code) {
            command = &candidate;
        }
    }
    if (command != nullptr) {
        send(command->text);
    } else {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::execSpecialApplFunction")
            << "Unknown special command '" << static_cast<int64_t>(code) << "' found!" << LOG_END;
    }
    if (mIsZoomAllAfterView.load()) {
        send(kZoomAll);
    }
}
