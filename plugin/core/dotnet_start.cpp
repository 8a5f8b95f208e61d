// Start of the menu-export plug-in, the .NET assembly that lies next to this
// module and reads out the host's menu items: queued as a NETLOAD command on
// the current drawing while the plug-in loads. Host's main thread.

#include <algorithm>
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

const ACHAR* const kMenuExportFileName = L"MenuHarvester2011.dll";
const ACHAR* const kNetloadHead = L"(command \"netload\" \"";
const ACHAR* const kNetloadTail = L"\")\n";
const char* const kErrorCaption = "Quorvex Plug-in Error";

// The module's own file path, wide as the system gives it.
std::wstring modulePath() {
    wchar_t wide[MAX_PATH] = {};
    GetModuleFileNameW(gModuleInstance, wide, MAX_PATH);
    wide[MAX_PATH - 1] = L'\0';
    return wide;
}

}  // namespace

void AutoCadProxy::StartDotNETPlugin() {
    try {
        if (mQxAutoCadP->mIsUserProfileUnusable) {
            // The one box of a profile the module cannot reach: its folders
            // are not looked for.
            showErrorBox(NULL,
                         "Folder '" + mQxAutoCadP->mUserProfilePath +
                             "' cannot be reached: its name holds characters that the ANSI code "
                             "page cannot carry.\n\nThe plug-in runs on its default settings, "
                             "without a settings file, menu file or log file.",
                         kErrorCaption, MB_OK);
            return;
        }
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
        // The path stays wide up to the command; the log and the file check
        // take it in the ANSI code page.
        const std::wstring path = modulePath();
        const std::string charPath = narrow(path);
        QX_LOG(TRC, kSrcFile, kClass, kMethod) << "charPath: '" << charPath << "'" << LOG_END;

        const wchar_t separator = static_cast<wchar_t>(kPathSeparator);
        const std::wstring::size_type lastSep = path.rfind(separator);
        if (lastSep == std::wstring::npos) {
            QX_LOG(ERR, kSrcFile, kClass, kMethod) << "Error: Invalid path " << charPath << LOG_END;
            return;
        }
        std::wstring dllPath = path.substr(0, lastSep) + separator + kMenuExportFileName;
        const std::string charDllPath = narrow(dllPath);
        QX_LOG(TRC, kSrcFile, kClass, kMethod) << "dllPath: '" << charDllPath << "'" << LOG_END;
        if (!fileExists(charDllPath)) {
            QX_LOG(ERR, kSrcFile, kClass, kMethod)
                << "Error: MenuHarvest does not exist " << charDllPath << LOG_END;
            return;
        }

        // The host's Lisp reader wants forward slashes in the quoted path.
        std::replace(dllPath.begin(), dllPath.end(), L'\\', L'/');
        const std::wstring command = kNetloadHead + dllPath + kNetloadTail;
        const Acad::ErrorStatus status = docManager->sendStringToExecute(
            docManager->curDocument(), command.c_str(), true, false, true);
        QX_LOG(TRC, kSrcFile, kClass, kMethod)
            << "totalCmd: '" << narrow(command) << "', ec: " << static_cast<INT64>(status)
            << LOG_END;
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, kMethod) << "Error StartDotNETPlugin()" << LOG_END;
    }
}
