// Reading of the menu file autocad.mnu: the mode names reported to the
// driver daemon ("Modes") and the macros the device's application functions
// run ("MenuBar"). Host's main thread, from the timer until a load succeeds.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "auto_cad_proxy.h"
#include "cnfg.h"
#include "logging.h"
#include "path_sep.h"
#include "qx_auto_cad.h"

namespace {

constexpr const char* kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
constexpr const char* kClass = "AutoCadProxy";
constexpr const char* kMenuFileName = "autocad.mnu";
constexpr const char* kModesSection = "Modes";
constexpr const char* kMenuBarSection = "MenuBar";

// The macro of one "MenuBar" value: the text after the first "}", cut before
// the first "|" after it. False when the value has no "}" or nothing after it.
bool macroOfMenuLine(const std::string& value, std::string& macro) {
    const auto brace = value.find('}');
    if (brace == std::string::npos || brace + 1 == value.size()) {
        return false;
    }
    macro = value.substr(brace + 1);
    const auto bar = macro.find('|');
    if (bar != std::string::npos) {
        macro.erase(bar);
    }
    return true;
}

MenuFileStamp stampOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    MenuFileStamp stamp;
    stamp.exists = fs::is_regular_file(path, ec);
    if (stamp.exists) {
        stamp.size = fs::file_size(path, ec);
        stamp.modified = fs::last_write_time(path, ec).time_since_epoch().count();
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
    int32_t status = Cnfg::kOk;
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
        << "Menu file '" << path << "' with " << static_cast<int64_t>(mMenuEntries.size())
        << " entries loaded." << LOG_END;

    const bool haveModes = !modeNames.empty();
    mModeNames.set(std::move(modeNames));
    if (haveModes) {
        mIsMenuLoaded = true;
    }
}
