// Reading of the menu file autocad.mnu: the mode names reported to the
// driver daemon ("Modes") and the macros the device's application functions
// run ("MenuBar"). Host's main thread, from the timer until a load succeeds.

#include <string>
#include <vector>

#include "auto_cad_proxy.h"
#include "cnfg.h"
#include "file_kind.h"
#include "logging.h"
#include "path_sep.h"
#include "qx_auto_cad.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";
const char* const kMenuFileName = "autocad.mnu";
const char* const kModesSection = "Modes";
const char* const kMenuBarSection = "MenuBar";

// The macro of one "MenuBar" value: the text after the first "}", cut before
// the first "|" after it. False when the value has no "}" or nothing after it.
bool macroOfMenuLine(const std::string& value, std::string& macro) {
    const std::string::size_type brace = value.find('}');
    if (brace == std::string::npos || brace + 1 == value.size()) {
        return false;
    }
    macro = value.substr(brace + 1);
    const std::string::size_type bar = macro.find('|');
    if (bar != std::string::npos) {
        macro.erase(bar);
    }
    return true;
}

MenuFileStamp stampOf(const std::string& path) {
    MenuFileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    stamp.exists = regularFileData(path, data);
    if (stamp.exists) {
        stamp.size = fileSizeOf(data);
        stamp.modified =
            static_cast<INT64>((static_cast<UINT64>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                               data.ftLastWriteTime.dwLowDateTime);
    }
    return stamp;
}

}  // namespace

void AutoCadProxy::loadMenufile() {
    const std::string path = joinPath(mQxAutoCadP->mApplicationsDirPath, kMenuFileName);
    // Tried on every tick until a load gives mode names: a file that has not
    // changed since the last try would give none again, and reading a large
    // one on every tick would stretch the ticks.
    const MenuFileStamp stamp = stampOf(path);
    if (stamp == mFailedMenuStamp) {
        return;
    }
    mFailedMenuStamp = stamp;
    mMenuEntries.clear();
    if (!stamp.exists) {
        return;
    }
    INT32 status = Cnfg::kOk;
    Cnfg menu(path, status);
    if (status != Cnfg::kOk) {
        return;
    }

    // Both tables are built aside; the reading thread sees the mode names
    // only as a whole.
    std::vector<std::string> modeNames;
    std::string key;
    std::string value;
    menu.findSection(kModesSection);
    while (menu.getNextParameter(key, value, true) == Cnfg::kOk) {
        modeNames.push_back(key);
    }

    menu.findSection(kMenuBarSection);
    std::string macro;
    while (menu.getNextParameter(key, value, true) == Cnfg::kOk) {
        if (macroOfMenuLine(value, macro)) {
            mMenuEntries.push_back(macro);
        }
    }

    QX_LOG(CRT, kSrcFile, kClass, "AutoCadProxy::loadMenufile")
        << "Menu file '" << path << "' with " << static_cast<INT64>(mMenuEntries.size())
        << " entries loaded." << LOG_END;

    const bool haveModes = !modeNames.empty();
    mModeNames.set(modeNames);
    if (haveModes) {
        mIsMenuLoaded = true;
    }
}
