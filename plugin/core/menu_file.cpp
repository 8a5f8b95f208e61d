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

// A change this close to a read may not show in the stamp of a later change
// of the same size. A time on a whole second comes from a file system that
// keeps whole seconds (FAT even two); the others keep finer times, taken from
// a clock that moves in steps of a few milliseconds. In 100 ns ticks.
const INT64 kStampSecond = 10000000;
const INT64 kCoarseStampGranularity = 2 * kStampSecond;
const INT64 kFineStampGranularity = kStampSecond / 10;

INT64 ticksOf(const FILETIME& time) {
    return static_cast<INT64>((static_cast<UINT64>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

MenuFileStamp stampOf(const std::string& path) {
    MenuFileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    stamp.exists = regularFileData(path, data);
    if (stamp.exists) {
        stamp.size = fileSizeOf(data);
        stamp.modified = ticksOf(data.ftLastWriteTime);
    }
    return stamp;
}

// True when the file changed within the file system's timestamp granularity
// of now.
bool isRecentChange(const MenuFileStamp& stamp) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const INT64 granularity =
        stamp.modified % kStampSecond == 0 ? kCoarseStampGranularity : kFineStampGranularity;
    return stamp.modified > ticksOf(now) - granularity;
}

}  // namespace

void AutoCadProxy::loadMenufile() {
    const std::string path = joinPath(mQxAutoCadP->mApplicationsDirPath, kMenuFileName);
    // Tried on every tick until a load gives mode names: a file that has not
    // changed since the last try would give none again, and reading a large
    // one on every tick would stretch the ticks.
    // A stamp taken within the timestamp granularity of the file's last
    // change would not show a change of the same size right after it: that
    // file is read again on the next try, and counts as changed only when
    // what it gives has changed ("racy" stamps).
    const MenuFileStamp stamp = stampOf(path);
    const bool isRecheck = stamp == mFailedMenuStamp;
    if (isRecheck && !mIsMenuStampRacy) {
        return;
    }
    mFailedMenuStamp = stamp;
    mIsMenuStampRacy = stamp.exists && isRecentChange(stamp);
    if (!stamp.exists) {
        mMenuEntries.clear();
        return;
    }
    INT32 status = Cnfg::kOk;
    Cnfg menu(path, status);
    if (status != Cnfg::kOk) {
        mMenuEntries.clear();
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
    std::vector<std::string> entries;
    while (menu.getNextParameter(key, value, true) == Cnfg::kOk) {
        if (macroOfMenuLine(value, macro)) {
            entries.push_back(macro);
        }
    }
    if (isRecheck && modeNames.empty() && entries == mMenuEntries) {
        return;
    }
    mMenuEntries.swap(entries);

    QX_LOG(CRT, kSrcFile, kClass, "AutoCadProxy::loadMenufile")
        << "Menu file '" << path << "' with " << static_cast<INT64>(mMenuEntries.size())
        << " entries loaded." << LOG_END;

    const bool haveModes = !modeNames.empty();
    mModeNames.set(modeNames);
    if (haveModes) {
        mIsMenuLoaded = true;
    }
}
