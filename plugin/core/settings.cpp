// Settings: paths, defaults, reading and writing of the settings file and the
// dump for the log. The keys of both sections live in one table each, so the
// reader and the writer cannot drift apart.
#include "settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <iomanip>
#include <map>
#include <sstream>

#include "cnfg.h"
#include "file_kind.h"
#include "file_replace.h"
#include "path_sep.h"
#include "setting_number.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\settings";
const char* const kClass = "Settings";
const char* const kProgramSection = "PROGRAM";
const wchar_t* const kEnvUserProfile = L"USERPROFILE";

// Width of the key column in the settings file.
const int kKeyWidth = 22;
// Label widths of the dump.
const int kSettingsLabelWidth = 25;
const int kLogParsLabelWidth = 18;

// One key of a section: its name, the member it fills (one of the three,
// the others null) and the comment written beside it.
template <typename Owner>
struct KeyEntry {
    const char* key;
    std::string Owner::*text;
    INT32 Owner::*number;
    bool Owner::*flag;
    const char* comment;
};

const KeyEntry<Settings> kProgramKeys[] = {
    {"name", &Settings::mName, 0, 0, "# program's name"},
    {"version", &Settings::mVersion, 0, 0, "# program's version number"},
    {"transSensBase", 0, &Settings::mTraSensBase, 0, "# base sensitivity divisor for translation"},
    {"rotSensBase", 0, &Settings::mRotSensBase, 0, "# base sensitivity divisor for rotation"},
    {"minThreshold", 0, &Settings::mMinThreshold, 0,
     "# minimal threshold (overrides setting in control panel)"},
    {"maxContMoveTime", 0, &Settings::mMaxContMoveTime, 0,
     "# maximal time for continuous cap movement in milliseconds"},
    {"toggleRotationCenter", 0, 0, &Settings::mToggleRotationCenter,
     "# if true a selected object will define the rotation center"},
    {"toggleRotationAxis", 0, 0, &Settings::mToggleRotationAxis,
     "# if true a selected line will define the rotation axis"},
    {"scrollTreeAndList", 0, 0, &Settings::mScrollTreeAndList,
     "# scroll trees and lists if the mouse is above (on/off)"},
    {"useInt3dIntrfce", 0, 0, &Settings::mUseInt3dIntrfce,
     "# if true no rotations/translations are done by this plugin; the Omnibridge Plug-in must "
     "be used instead."},
};

const KeyEntry<LogParameters> kLoggingKeys[] = {
    {"logFile", &LogParameters::mLogFile, 0, 0, "# name of log file"},
    {"maxSize", 0, &LogParameters::mMaxSize, 0, "# max. size of log file (kB)"},
    {"logToFile", 0, 0, &LogParameters::mIsLogToFile, "# log into log file:               off/on"},
    {"logToCnsl", 0, 0, &LogParameters::mIsLogToCnsl, "# log to console:                  off/on"},
    {"warning", 0, 0, &LogParameters::mIsWarning, "# log warnings:                    off/on"},
    {"creation", 0, 0, &LogParameters::mIsCreation, "# log creation etc.:               off/on"},
    {"trace", 0, 0, &LogParameters::mIsTrace, "# log trace data:                  off/on"},
    {"devcom", 0, 0, &LogParameters::mIsDevCom, "# not used in this plug-in"},
    {"intcom", 0, 0, &LogParameters::mIsIntCom, "# log internal communication data: off/on"},
    {"info", 0, 0, &LogParameters::mIsInfo, "# log info data:                   off/on"},
    {"debug", 0, 0, &LogParameters::mIsDebug, "# log debug data:                  off/on"},
    {"tmp", 0, 0, &LogParameters::mIsTmp, "# log data of temporal interest:   off/on"},
    {"fileToLog", &LogParameters::mExclFileToLog, 0, 0, "# name of the exclusively logged file"},
};

// atoi in 64 bits, saturating beyond them; anything but a number gives 0.
INT64 toWideInt(const std::string& text) {
    return _strtoi64(leadingNumber(text).c_str(), NULL, 10);
}

// atoi: values beyond the 32-bit range are clamped instead of overflowing.
INT32 toInt(const std::string& text) {
    return static_cast<INT32>(std::max<INT64>(INT_MIN, std::min<INT64>(toWideInt(text), INT_MAX)));
}

template <typename Owner>
void assignValue(Owner& owner, const KeyEntry<Owner>& entry, const std::string& text) {
    if (entry.text != 0) {
        owner.*entry.text = text;
    } else if (entry.number != 0) {
        owner.*entry.number = toInt(text);
    } else if (entry.flag != 0) {
        owner.*entry.flag = Settings::isOn(text);
    }
}

template <typename Owner>
std::string valueText(const Owner& owner, const KeyEntry<Owner>& entry) {
    if (entry.text != 0) {
        return owner.*entry.text;
    }
    if (entry.number != 0) {
        return decimalText(owner.*entry.number);
    }
    return Settings::onOff(owner.*entry.flag);
}

// Looks every key of the table up in section and stores what it finds. One
// value text serves all keys, so a failed lookup leaves an empty or previous
// value in its member; any failure makes the caller fall back to defaults.
// What each value reads as a number goes to `numbers` by key, so that a range
// warning can show it as the file has it.
template <typename Owner, size_t N>
INT32 readSection(Owner& owner, const KeyEntry<Owner> (&keys)[N], Cnfg& cnfg,
                  const std::string& section, NumberTexts& numbers) {
    INT32 failures = 0;
    std::string value;
    for (size_t i = 0; i < N; ++i) {
        const KeyEntry<Owner>& entry = keys[i];
        failures += Settings::readParameter(cnfg, entry.key, value, section);
        assignValue(owner, entry, value);
        numbers[entry.key] = value;
    }
    return failures;
}

// The file's bytes as a text-mode file has them: on Windows each line ends
// in CR LF.
std::string textFileBytes(const std::string& text) {
#ifdef _WIN32
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 32);
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            bytes += '\r';
        }
        bytes += text[i];
    }
    return bytes;
#else
    return text;
#endif
}

// Tab, key in 22, "= ", value in the given width (longer values whole),
// comment, line end.
template <typename Owner, size_t N>
void writeSection(const Owner& owner, const KeyEntry<Owner> (&keys)[N], std::ostream& out,
                  INT32 valueWidth) {
    out << std::left;
    for (size_t i = 0; i < N; ++i) {
        const KeyEntry<Owner>& entry = keys[i];
        out << '\t' << std::setw(kKeyWidth) << entry.key << "= " << std::setw(valueWidth)
            << valueText(owner, entry) << entry.comment << '\n';
    }
}

// One line of a dump: indent, the label right-aligned in `width`, the value
// and `end`.
template <typename T>
void dumpLine(std::ostream& out, const std::string& indent, int width, const char* label,
              const T& value, const char* end) {
    out << indent << std::right << std::setw(width) << label << value << end;
}

}  // namespace

const char* const Settings::kDefaultName = "AutoCAD Plug-in";
const char* const Settings::kDefaultVersion = "2.9.0";
const INT32 Settings::kDefaultTraSensBase;
const INT32 Settings::kDefaultRotSensBase;
const INT32 Settings::kDefaultMinThreshold;
const INT32 Settings::kDefaultMaxContMoveTime;
const bool Settings::kDefaultToggleRotationCenter;
const bool Settings::kDefaultToggleRotationAxis;
const bool Settings::kDefaultScrollTreeAndList;
const bool Settings::kDefaultUseInt3dIntrfce;
const INT32 Settings::kValueWidth;
const INT32 Settings::kMaxMinThreshold;
const INT32 Settings::kMaxMaxContMoveTime;

Settings::Settings()
    : mDeviceDirName("QuorvexDevice"),
      mFileName("autocad_addin.ini"),
      mApplicationsDirName("Applications"),
      mUserProfilePath(getUserProfile()),
      mTraSensBase(kDefaultTraSensBase),
      mRotSensBase(kDefaultRotSensBase),
      mMinThreshold(kDefaultMinThreshold),
      mMaxContMoveTime(kDefaultMaxContMoveTime),
      mToggleRotationCenter(kDefaultToggleRotationCenter),
      mToggleRotationAxis(kDefaultToggleRotationAxis),
      mScrollTreeAndList(kDefaultScrollTreeAndList),
      mUseInt3dIntrfce(kDefaultUseInt3dIntrfce),
      mIsUserProfileUnusable(!mUserProfilePath.empty() && !isUserProfileInAnsi()),
      mIsFileWritable(true) {
    const bool hasProfile = !mUserProfilePath.empty() && !mIsUserProfileUnusable;
    std::string settingsDirPath;
    if (hasProfile) {
        settingsDirPath = joinPath(mUserProfilePath, mDeviceDirName);
        mApplicationsDirPath = joinPath(settingsDirPath, mApplicationsDirName);
    }

    QX_LOG(CRT, kSrcFile, kClass, "Settings::Settings") << "Constructing ..." << LOG_END;

    mLogPars.mSettingsDirPath = settingsDirPath;
    gLogging.mSettingsDirPath = settingsDirPath;

    if (mIsUserProfileUnusable) {
        // Its ANSI name is another folder's: nothing may be read or written
        // there. Said once the log has started.
        hold(ERR, "USERPROFILE '" + mUserProfilePath +
                      "' holds characters the ANSI code page cannot carry - using default "
                      "values; no settings file is read or written and file logging is off.");
        setDefaults();
        mLogPars.mIsLogToFile = false;
    } else if (!hasProfile) {
        // Without a profile there is no folder of ours: use the defaults, and
        // keep the settings file and the log file from landing anywhere else.
        QX_LOG(ERR, kSrcFile, kClass, "Settings::Settings")
            << "USERPROFILE is not set - using default values; no settings file is read or "
               "written and file logging is off."
            << LOG_END;
        setDefaults();
        mLogPars.mIsLogToFile = false;
    } else {
        mSettingsFilePath = joinPath(mApplicationsDirPath, mFileName);
        if (readSettingsFile(mSettingsFilePath) < 0) {
            QX_LOG(INF, kSrcFile, kClass, "Settings::Settings")
                << "Settings file not found - using default values ..." << LOG_END;
            setDefaults();
            if (keepUnusableFile()) {
                writeSettingsFile(mSettingsFilePath);
            }
        } else {
            clampNumericValues();
        }
    }

    QX_LOG(INF, kSrcFile, kClass, "Settings::Settings") << "\n" << toString() << LOG_END;
    QX_LOG(CRT, kSrcFile, kClass, "Settings::Settings") << "Constructed." << LOG_END;
}

bool Settings::keepUnusableFile() {
    // Only a file that is there: a missing one has nothing to keep, and
    // anything but a regular file (a folder, a pipe) is never written over.
    if (!isRegularFile(mSettingsFilePath)) {
        return true;
    }
    const std::string backupBase =
        joinPath(mApplicationsDirPath, mFileName.substr(0, mFileName.find_last_of('.')) + ".bak");
    const FileKeepResult kept = keepFileAside(mSettingsFilePath, backupBase);
    if (kept.isKept) {
        hold(INF, "Settings file '" + mSettingsFilePath + "' kept as '" + kept.backupPath + "'.");
        return true;
    }
    // The user's file stays the only copy: run on the defaults in memory.
    mIsFileWritable = false;
    const std::string where =
        kept.error == ERROR_ALREADY_EXISTS
            ? "as any of '" + backupBase + "' to '" + kept.backupPath + "' (all taken)"
            : "as '" + kept.backupPath + "'";
    hold(ERR, "Settings file '" + mSettingsFilePath + "' couldn't be kept " + where +
                  "! It is left as it is; the default values are used.");
    return false;
}

void Settings::clampNumericValues() {
    // A negative threshold would count every axis as deflected, and a tick
    // budget without bound would never give the host its thread back.
    checkNumericValue("transSensBase", mTraSensBase, INT_MIN, INT_MAX);
    checkNumericValue("rotSensBase", mRotSensBase, INT_MIN, INT_MAX);
    checkNumericValue("minThreshold", mMinThreshold, 0, kMaxMinThreshold);
    checkNumericValue("maxContMoveTime", mMaxContMoveTime, 0, kMaxMaxContMoveTime);
    checkNumericValue("maxSize", mLogPars.mMaxSize, 0, INT_MAX);
}

void Settings::checkNumericValue(const char* key, INT32& value, INT32 low, INT32 high) {
    // The check takes the number as the file has it (the member holds it
    // clamped to 32 bits); beyond 64 bits it saturates, which every range
    // here still tells apart. The warning shows the value as written.
    const NumberTexts::const_iterator read = mReadNumbers.find(key);
    if (read == mReadNumbers.end()) {
        return;
    }
    const std::string& text = read->second;
    const INT64 wide = toWideInt(text);
    const INT32 used = static_cast<INT32>(std::max<INT64>(low, std::min<INT64>(wide, high)));
    const bool isDecimal = isDecimalNumber(text);
    const bool isInRange = used == wide;
    value = used;
    if (isDecimal && isInRange) {
        return;
    }
    std::string entry = std::string("Setting '") + key + "' read as " +
                        (text.empty() ? std::string("(empty)") : text) + " is ";
    if (!isDecimal) {
        entry += isInRange ? "not a decimal number" : "not a decimal number and ";
    }
    if (!isInRange) {
        entry += "out of range " + decimalText(low) + ".." + decimalText(high);
    }
    hold(WRN, entry + " - using " + decimalText(used) + ".");
}

void Settings::hold(INT32 level, std::string text) {
    mHeldEntries.push_back(HeldEntry());
    mHeldEntries.back().level = level;
    mHeldEntries.back().text.swap(text);
}

void Settings::writeHeldEntries() {
    for (std::size_t i = 0; i < mHeldEntries.size(); ++i) {
        const HeldEntry& entry = mHeldEntries[i];
        QX_LOG(entry.level, kSrcFile, kClass, "Settings::Settings") << entry.text << LOG_END;
    }
    mHeldEntries.clear();
}

Settings::~Settings() {
    // Carries values changed at run time over to the next start. Nothing
    // leaves: this also runs while a failed constructor's exception unwinds.
    try {
        if (!mSettingsFilePath.empty() && mIsFileWritable) {
            writeSettingsFile(mSettingsFilePath);
        }
    } catch (...) {
        logCaughtException(kSrcFile, __LINE__, kClass, "Settings::~Settings");
    }
    QX_LOG_NOTHROW(QX_LOG(CRT, kSrcFile, kClass, "Settings::~Settings")
                   << "Destructed." << LOG_END);
}

INT32 Settings::readSettingsFile(const std::string& path) {
    INT32 status = 0;
    Cnfg cnfg(path, status);
    if (status != 0) {
        return -1;
    }
    mReadNumbers.clear();
    INT32 failures = readSection(*this, kProgramKeys, cnfg, kProgramSection, mReadNumbers);
    failures = readLogParameters(mLogPars, cnfg, failures, mReadNumbers);
    if (failures != 0) {
        QX_LOG(ERR, kSrcFile, kClass, "Settings::readSettingsFile")
            << "Error reading settings file!" << LOG_END;
        return -2;
    }
    return 0;
}

INT32 Settings::readParameter(Cnfg& cnfg, const std::string& key, std::string& value,
                              const std::string& section) {
    const INT32 result = cnfg.getParameter(key, value, section, true);
    if (result != 0) {
        QX_LOG(ERR, kSrcFile, kClass, "Settings::readParameter") << cnfg.getErrorText() << LOG_END;
    }
    return result;
}

void Settings::setDefaults() {
    mName = kDefaultName;
    mVersion = kDefaultVersion;
    mTraSensBase = kDefaultTraSensBase;
    mRotSensBase = kDefaultRotSensBase;
    mMinThreshold = kDefaultMinThreshold;
    mMaxContMoveTime = kDefaultMaxContMoveTime;
    mToggleRotationCenter = kDefaultToggleRotationCenter;
    mToggleRotationAxis = kDefaultToggleRotationAxis;
    mScrollTreeAndList = kDefaultScrollTreeAndList;
    mUseInt3dIntrfce = kDefaultUseInt3dIntrfce;
    mLogPars = LogParameters();
}

INT32 Settings::writeSettingsFile(const std::string& path) {
    // The text is built first and then replaces the user's file in one step
    // (file_replace.h): a full disk, a read-only file or anything but a
    // regular file leaves it as it was.
    std::ostringstream out;
    out << std::left;
    out << "# Configuration file for QuorvexDevice's AutoCAD plug-in\n";
    out << '\n';
    out << '[' << kProgramSection << "]\n";
    writeSection(*this, kProgramKeys, out, kValueWidth);
    out << '\n';
    writeLogParameters(mLogPars, out, kValueWidth);
    QX_LOG(TRC, kSrcFile, kClass, "Settings::writeSettingsFile")
        << "Writing new default settings file ..." << LOG_END;
    const FileReplaceResult result = replaceFileText(path, textFileBytes(out.str()));
    if (result.status == kFileWrittenInPlace) {
        QX_LOG(WRN, kSrcFile, kClass, "Settings::writeSettingsFile")
            << "Writing default settings file '" << mFileName
            << "': " << describeFileReplace(result) << "." << LOG_END;
    } else if (result.status != kFileReplaced) {
        // The failure in its own words; why, where known, in a second entry.
        QX_LOG(ERR, kSrcFile, kClass, "Settings::writeSettingsFile")
            << "Writing default settings file '" << mFileName << "' failed!" << LOG_END;
        if (result.status != kFileNotRegular) {
            QX_LOG(ERR, kSrcFile, kClass, "Settings::writeSettingsFile")
                << "Settings file '" << path << "': " << describeFileReplace(result) << "."
                << LOG_END;
        }
        return result.status == kFileNotCreated || result.status == kFileNotRegular ? -1 : -2;
    }
    QX_LOG(TRC, kSrcFile, kClass, "Settings::writeSettingsFile")
        << "Default settings file written." << LOG_END;
    return 0;
}

std::string Settings::toString() const {
    std::ostringstream out;
    const std::string none;
    const int width = kSettingsLabelWidth;
    dumpLine(out, none, width, "(AutoCAD Plug-in) mName: ", mName, "\n");
    dumpLine(out, none, width, "               mVersion: ", mVersion, "\n");
    dumpLine(out, none, width, "           mTraSensBase: ", mTraSensBase, "\n");
    dumpLine(out, none, width, "           mRotSensBase: ", mRotSensBase, "\n");
    dumpLine(out, none, width, "          mMinThreshold: ", mMinThreshold, "\n");
    dumpLine(out, none, width, "       mMaxContMoveTime: ", mMaxContMoveTime, "\n");
    dumpLine(out, none, width, "  mToggleRotationCenter: ", mToggleRotationCenter, "\n");
    dumpLine(out, none, width, "    mToggleRotationAxis: ", mToggleRotationAxis, "\n");
    dumpLine(out, none, width, "     mScrollTreeAndList: ", mScrollTreeAndList, "\n");
    dumpLine(out, none, width, "       mUseInt3dIntrfce: ", mUseInt3dIntrfce, "\n");
    out << "               mLogPars:" << '\n' << ::toString(mLogPars, "    ") << '\n';
    return out.str();
}

namespace {

// USERPROFILE as Windows keeps it, wide; false when it is not set.
bool wideUserProfile(std::wstring& value) {
    const DWORD size = GetEnvironmentVariableW(kEnvUserProfile, NULL, 0);
    if (size == 0) {
        return false;
    }
    std::vector<wchar_t> buffer(size);
    const DWORD length = GetEnvironmentVariableW(kEnvUserProfile, &buffer[0], size);
    if (length == 0 || length >= size) {
        return false;
    }
    value.assign(&buffer[0], length);
    return true;
}

}  // namespace

std::string Settings::getUserProfile() {
    std::wstring wide;
    if (!wideUserProfile(wide) || wide.empty()) {
        return std::string();
    }
    // As the C run-time's getenv gives it: '?' for what the code page lacks.
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, NULL, 0, "?", NULL);
    if (bytes <= 0) {
        return std::string();
    }
    std::string profile(static_cast<std::size_t>(bytes), '?');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, &profile[0], bytes, "?",
                        NULL);
    return profile;
}

bool Settings::isUserProfileInAnsi() {
    std::wstring wide;
    if (!wideUserProfile(wide) || wide.empty()) {
        return true;
    }
    BOOL isLost = FALSE;
    const int size = static_cast<int>(wide.size());
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, NULL, 0, NULL,
                               &isLost) > 0 &&
           !isLost;
}

const char* Settings::onOff(bool isOn) {
    return isOn ? "on" : "off";
}

bool Settings::isOn(const std::string& text) {
    return text.find("on") != std::string::npos;
}

INT32 readLogParameters(LogParameters& pars, Cnfg& cnfg, INT32 failures, NumberTexts& numbers) {
    return failures + readSection(pars, kLoggingKeys, cnfg, pars.mSectionName, numbers);
}

void writeLogParameters(const LogParameters& pars, std::ostream& out, INT32 valueWidth) {
    out << '[' << pars.mSectionName << "]\n";
    writeSection(pars, kLoggingKeys, out, valueWidth);
}

std::string toString(const LogParameters& pars, const std::string& indent) {
    std::ostringstream out;
    const int width = kLogParsLabelWidth;
    dumpLine(out, indent, width, "    mSectionName: ", pars.mSectionName, "\n");
    dumpLine(out, indent, width, "mSettingsDirPath: ", pars.mSettingsDirPath, "\n");
    dumpLine(out, indent, width, "        mLogFile: ", pars.mLogFile, "\n");
    dumpLine(out, indent, width, "        mMaxSize: ", pars.mMaxSize, "\n");
    dumpLine(out, indent, width, "    mIsLogToFile: ", pars.mIsLogToFile, "\n");
    dumpLine(out, indent, width, "    mIsLogToCnsl: ", pars.mIsLogToCnsl, "\n");
    dumpLine(out, indent, width, "      mIsWarning: ", pars.mIsWarning, "\n");
    dumpLine(out, indent, width, "     mIsCreation: ", pars.mIsCreation, "\n");
    dumpLine(out, indent, width, "        mIsTrace: ", pars.mIsTrace, "\n");
    dumpLine(out, indent, width, "       mIsDevCom: ", pars.mIsDevCom, "\n");
    dumpLine(out, indent, width, "       mIsIntCom: ", pars.mIsIntCom, "\n");
    dumpLine(out, indent, width, "         mIsInfo: ", pars.mIsInfo, "\n");
    dumpLine(out, indent, width, "        mIsDebug: ", pars.mIsDebug, "\n");
    dumpLine(out, indent, width, "          mIsTmp: ", pars.mIsTmp, "\n");
    dumpLine(out, indent, width, "  mExclFileToLog: ", pars.mExclFileToLog, "");
    return out.str();
}
