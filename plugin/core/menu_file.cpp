// Reading of the menu file autocad.mnu: the mode names reported to the
// driver daemon ("Modes") and the macros the device's application functions
// run ("MenuBar"). Host's main thread, from the timer until a load succeeds.

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <time.h>
#endif

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

// A change this close to a read may not show in the stamp of a later change
// of the same size. A time on a whole second comes from a file system that
// keeps whole seconds (FAT even two); the others keep finer times, taken from
// a clock that moves in steps of a few milliseconds.
#ifdef _WIN32
const long long kStampSecond = 10000000;  // 100 ns ticks
#else
const long long kStampSecond = 1000000000;  // ns
#endif
const long long kCoarseStampGranularity = 2 * kStampSecond;
const long long kFineStampGranularity = kStampSecond / 10;

MenuFileStamp stampOf(const std::string& path) {
    MenuFileStamp stamp;
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    stamp.exists = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) != 0 &&
                   (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (stamp.exists) {
        stamp.size =
            (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.modified = (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    }
#else
    struct stat st;
    stamp.exists = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (stamp.exists) {
        stamp.size = static_cast<unsigned long long>(st.st_size);
        stamp.modified =
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
#endif
    return stamp;
}

// True when the file changed within the file system's timestamp granularity
// of now, on the clock of its times.
bool isRecentChange(const MenuFileStamp& stamp) {
#ifdef _WIN32
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const long long nowTicks =
        (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
#else
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long nowTicks = static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec;
#endif
    const long long granularity =
        stamp.modified % kStampSecond == 0 ? kCoarseStampGranularity : kFineStampGranularity;
    return stamp.modified > nowTicks - granularity;
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
    int32_t status = Cnfg::kOk;
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
        << "Menu file '" << path << "' with " << static_cast<int64_t>(mMenuEntries.size())
        << " entries loaded." << LOG_END;

    const bool haveModes = !modeNames.empty();
    mModeNames.set(std::move(modeNames));
    if (haveModes) {
        mIsMenuLoaded = true;
    }
}
