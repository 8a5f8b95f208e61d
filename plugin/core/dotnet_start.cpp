// Start of the menu-export plug-in, the .NET assembly that lies next to this
// module and reads out the host's menu items: queued as a NETLOAD command on
// the current drawing while the plug-in loads. Host's main thread.

#include <string>

#include <windows.h>

#include "auto_cad_proxy.h"
#include "host_helpers.h"
#include "logging.h"
#include "path_sep.h"
#include "qx_auto_cad.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";
const char* const kMethod = "AutoCadProxy::StartDotNETPlugin";

const char* const kMenuExportFileName = "MenuHarvester2011.dll";
const ACHAR* const kNetloadHead = L"(command \"netload\" \"";
const ACHAR* const kNetloadTail = L"\")\n";
const char* const kErrorCaption = "Quorvex Plug-in Error";

std::string narrow(const std::wstring& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += static_cast<char>(text[i]);
    }
    return out;
}

// The module's own file path in the ANSI code page.
std::string modulePath() {
    wchar_t wide[MAX_PATH] = {};
    GetModuleFileNameW(gModuleInstance, wide, MAX_PATH);
    wide[MAX_PATH - 1] = L'\0';
    char ansi[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, MAX_PATH, " ", NULL);
    ansi[MAX_PATH - 1] = '\0';
    return ansi;
}

}  // namespace

void AutoCadProxy::StartDotNETPlugin() {
    try {
        const std::string& appsDir = mQxAutoCadP->mApplicationsDirPath;
        if (!folderExists(appsDir)) {
            showErrorBox(NULL,
                         "Folder '" + appsDir +
                             "' not found!\n\nStart the driver first and try again to read out "
                             "AutoCAD's menu items.",
                         kErrorCaption, MB_OK);
            return;
        }
        QX_LOG(TRC, kSrcFile, kClass, kMethod) << "Start .NET Plugin..." << LOG_END;

        AcApDocManager* docManager = acDocManagerPtr();
        if (docManager == NULL) {
            return;
        }
        const std::string path = modulePath();
        QX_LOG(TRC, kSrcFile, kClass, kMethod) << "charPath: '" << path << "'" << LOG_END;

        const std::string::size_type lastSep = path.rfind(kPathSeparator);
        if (lastSep == std::string::npos) {
            QX_LOG(ERR, kSrcFile, kClass, kMethod) << "Error: Invalid path " << path << LOG_END;
            return;
        }
        std::string dllPath = path.substr(0, lastSep) + kPathSeparator + kMenuExportFileName;
        QX_LOG(TRC, kSrcFile, kClass, kMethod) << "dllPath: '" << dllPath << "'" << LOG_END;
        if (!fileExists(dllPath)) {
            QX_LOG(ERR, kSrcFile, kClass, kMethod)
                << "Error: MenuHarvest does not exist " << dllPath << LOG_END;
            return;
        }

        // The host's Lisp reader wants forward slashes in the quoted path.
        for (std::size_t i = 0; i < dllPath.size(); ++i) {
            if (dllPath[i] == '\\') {
                dllPath[i] = '/';
            }
        }
        const std::wstring command = kNetloadHead + widen(dllPath) + kNetloadTail;
        const Acad::ErrorStatus status = docManager->sendStringToExecute(
            docManager->curDocument(), command.c_str(), true, false, true);
        QX_LOG(TRC, kSrcFile, kClass, kMethod)
            << "totalCmd: '" << narrow(command) << "', ec: " << static_cast<INT64>(status)
            << LOG_END;
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, kMethod) << "Error StartDotNETPlugin()" << LOG_END;
    }
}
