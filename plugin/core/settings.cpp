// Settings: paths, defaults, reading and writing of the settings file and the
// dump for the log. The keys of both sections live in one table each, so the
// reader and the writer cannot drift apart.
#include "settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <variant>

#include "cnfg.h"
#include "file_kind.h"
#include "file_replace.h"
#include "path_sep.h"

namespace {

constexpr const char* kSrcFile = "..\\..\\common_sources\\settings";
constexpr const char* kClass = "Settings";
constexpr const char* kProgramSection = "PROGRAM";
constexpr const char* kEnvUserProfile = "USERPROFILE";

// Width of the key column in the settings file.
constexpr int kKeyWidth = 22;
// Label widths of the dump.
constexpr int kSettingsLabelWidth = 25;
constexpr int kLogParsLabelWidth = 18;

// One key of a section: its name, the member it fills and the comment
// written beside it.
template <typename Owner>
struct KeyEntry {
    const char* key;
    std::variant<std::string Owner::*, int32_t Owner::*, bool Owner::*> member;
    const char* comment;
};

const KeyEntry<Settings> kProgramKeys[] = {
    {"name", &Settings::mName, "# program's name"},
    {"version", &Settings::mVersion, "# program's version number"},
    {"transSensBase", &Settings::mTraSensBase, "# base sensitivity divisor for translation"},
    {"rotSensBase", &Settings::mRotSensBase, "# base sensitivity divisor for rotation"},
    {"minThreshold", &Settings::mMinThreshold,
     "# minimal threshold (overrides setting in control panel)"},
    {"maxContMoveTime", &Settings::mMaxContMoveTime,
     "# maximal time for continuous cap movement in milliseconds"},
    {"toggleRotationCenter", &Settings::mToggleRotationCenter,
     "# if true a selected object will define the rotation center"},
    {"toggleRotationAxis", &Settings::mToggleRotationAxis,
     "# if true a selected line will define the rotation axis"},
    {"scrollTreeAndList", &Settings::mScrollTreeAndList,
     "# scroll trees and lists if the mouse is above (on/off)"},
    {"useInt3dIntrfce", &Settings::mUseInt3dIntrfce,
     "# if true no rotations/translations are done by this plugin; the Omnibridge Plug-in must "
     "be used instead."},
};

const KeyEntry<LogParameters> kLoggingKeys[] = {
    {"logFile", &LogParameters::mLogFile, "# name of log file"},
    {"maxSize", &LogParameters::mMaxSize, "# max. size of log file (kB)"},
    {"logToFile", &LogParameters::mIsLogToFile, "# log into log file:               off/on"},
    {"logToCnsl", &LogParameters::mIsLogToCnsl, "# log to console:                  off/on"},
    {"warning", &LogParameters::mIsWarning, "# log warnings:                    off/on"},
    {"creation", &LogParameters::mIsCreation, "# log creation etc.:               off/on"},
    {"trace", &LogParameters::mIsTrace, "# log trace data:                  off/on"},
    {"devcom", &LogParameters::mIsDevCom, "# not used in this plug-in"},
    {"intcom", &LogParameters::mIsIntCom, "# log internal communication data: off/on"},
    {"info", &LogParameters::mIsInfo, "# log info data:                   off/on"},
    {"debug", &LogParameters::mIsDebug, "# log debug data:                  off/on"},
    {"tmp", &LogParameters::mIsTmp, "# log data of temporal interest:   off/on"},
    {"fileToLog", &LogParameters::mExclFileToLog, "# name of the exclusively logged file"},
};

// What atoi reads of a value (optional blanks, sign and digits) as the file
// has it: the sign and the digits, or an empty text when there are none.
std::string leadingNumber(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    std::size_t end = start;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) {
        ++end;
    }
    const std::size_t digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
        ++end;
    }
    return end == digits ? std::string() : text.substr(start, end - start);
}

// True for an optional sign and decimal digits, nothing else: "0x9C40",
// "1e5" and "12abc" read as 0, 1 and 12, which is not what they say.
bool isDecimalNumber(const std::string& text) {
    const std::string::size_type digits = !text.empty() && (text[0] == '+' || text[0] == '-');
    if (digits == text.size()) {
        return false;
    }
    for (std::string::size_type i = digits; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

// atoi in 64 bits, saturating beyond them; anything but a number gives 0.
int64_t toWideInt(const std::string& text) {
    return std::strtoll(leadingNumber(text).c_str(), nullptr, 10);
}

// atoi: values beyond the 32-bit range are clamped instead of overflowing.
int32_t toInt(const std::string& text) {
    return static_cast<int32_t>(std::clamp<int64_t>(toWideInt(text), INT32_MIN, INT32_MAX));
}

template <typename Owner>
void assignValue(Owner& owner, const KeyEntry<Owner>& entry, const std::string& text) {
    if (auto str = std::get_if<std::string Owner::*>(&entry.member)) {
        owner.** str = text;
    } else if (auto num = std::get_if<int32_t Owner::*>(&entry.member)) {
        owner.** num = toInt(text);
    } else if (auto flag = std::get_if<bool Owner::*>(&entry.member)) {
        owner.** flag = Settings::isOn(text);
    }
}

template <typename Owner>
std::string valueText(const Owner& owner, const KeyEntry<Owner>& entry) {
    if (auto str = std::get_if<std::string Owner::*>(&entry.member)) {
        return owner.**str;
    }
    if (auto num = std::get_if<int32_t Owner::*>(&entry.member)) {
        return std::to_string(owner.**num);
    }
    return Settings::onOff(owner.*std::get<bool Owner::*>(entry.member));
}

// Looks every key of the table up in section and stores what it finds. One
// value text serves all keys, so a failed lookup leaves an empty or previous
// value in its member; any failure makes the caller fall back to defaults.
// What each value reads as a number goes to `numbers` by key, so that a range
// warning can show it as the file has it.
template <typename Owner, size_t N>
int32_t readSection(Owner& owner, const KeyEntry<Owner> (&keys)[N], Cnfg& cnfg,
                    const std::string& section, NumberTexts& numbers) {
    int32_t failures = 0;
    std::string value;
    for (const auto& entry : keys) {
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
                  int32_t valueWidth) {
    out << std::left;
    for (const auto& entry : keys) {
        out << '\t' << std::setw(kKeyWidth) << entry.key << "= " << std::setw(valueWidth)
            << valueText(owner, entry) << entry.comment << '\n';
    }
}

}  // namespace

Settings::Settings()
    : mDeviceDirName("QuorvexDevice"),
      mFileName("autocad_addin.ini"),
      mApplicationsDirName("Applications"),
      mUserProfilePath(getUserProfile()) {
    const bool hasProfile = !mUserProfilePath.empty();
    std::string settingsDirPath;
    if (hasProfile) {
        settingsDirPath = joinPath(mUserProfilePath, mDeviceDirName);
        mApplicationsDirPath = joinPath(settingsDirPath, mApplicationsDirName);
    }

    QX_LOG(CRT, kSrcFile, kClass, "Settings::Settings") << "Constructing ..." << LOG_END;

    mLogPars.mSettingsDirPath = settingsDirPath;
    gLogging.mSettingsDirPath = settingsDirPath;

    if (!hasProfile) {
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
    std::error_code ec;
    if (!std::filesystem::is_regular_file(mSettingsFilePath, ec)) {
        return true;
    }
    const std::string backupPath =
        joinPath(mApplicationsDirPath, std::filesystem::path(mFileName).stem().string() + ".bak");
    if (isFileLink(mSettingsFilePath) && copyLinkedFile(backupPath)) {
        hold(INF, "Settings file '" + mSettingsFilePath + "' kept as '" + backupPath + "'.");
        return true;
    }
    // An older backup goes first: on Windows a rename onto a file fails.
    std::filesystem::remove(backupPath, ec);
    std::filesystem::rename(mSettingsFilePath, backupPath, ec);
    if (ec) {
        // The user's file stays the only copy: run on the defaults in memory.
        mIsFileWritable = false;
        hold(ERR, "Settings file '" + mSettingsFilePath + "' couldn't be kept as '" + backupPath +
                      "'! It is left as it is; the default values are used.");
        return false;
    }
    hold(INF, "Settings file '" + mSettingsFilePath + "' kept as '" + backupPath + "'.");
    return true;
}

bool Settings::copyLinkedFile(const std::string& backupPath) {
    // A link stays: the file it names is copied aside, and the default file
    // then replaces it where it lies. One too large to copy is left alone
    // and the link moved aside instead.
    std::ifstream in(mSettingsFilePath.c_str(), std::ios::binary);
    std::vector<char> bytes(kMaxReadFileBytes + 1);
    in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
    const std::streamsize size = in.gcount();
    if (in.bad() || size > static_cast<std::streamsize>(kMaxReadFileBytes)) {
        return false;
    }
    return replaceFileText(backupPath, std::string(&bytes[0], static_cast<std::size_t>(size)))
               .status == kFileReplaced;
}

void Settings::clampNumericValues() {
    // A negative threshold would count every axis as deflected, and a tick
    // budget without bound would never give the host its thread back.
    checkNumericValue("transSensBase", mTraSensBase, INT32_MIN, INT32_MAX);
    checkNumericValue("rotSensBase", mRotSensBase, INT32_MIN, INT32_MAX);
    checkNumericValue("minThreshold", mMinThreshold, 0, kMaxMinThreshold);
    checkNumericValue("maxContMoveTime", mMaxContMoveTime, 0, kMaxMaxContMoveTime);
    checkNumericValue("maxSize", mLogPars.mMaxSize, 0, INT32_MAX);
}

void Settings::checkNumericValue(const char* key, int32_t& value, int32_t low, int32_t high) {
    // The check takes the number as the file has it (the member holds it
    // clamped to 32 bits); beyond 64 bits it saturates, which every range
    // here still tells apart. The warning shows the value as written.
    const NumberTexts::const_iterator read = mReadNumbers.find(key);
    if (read == mReadNumbers.end()) {
        return;
    }
    const std::string& text = read->second;
    const int64_t wide = toWideInt(text);
    const int32_t used = static_cast<int32_t>(wide < low ? low : (wide > high ? high : wide));
    const bool isDecimal = isDecimalNumber(text);
    const bool isInRange = used == wide;
    value = used;
    if (isDecimal && isInRange) {
        return;
    }
    std::ostringstream entry;
    entry << "Setting '" << key << "' read as " << (text.empty() ? "(empty)" : text) << " is ";
    if (!isDecimal) {
        entry << "not a decimal number" << (isInRange ? "" : " and ");
    }
    if (!isInRange) {
        entry << "out of range " << low << ".." << high;
    }
    entry << " - using " << used << ".";
    hold(WRN, entry.str());
}

void Settings::hold(int32_t level, std::string text) {
    mHeldEntries.push_back({level, std::move(text)});
}

void Settings::writeHeldEntries() {
    for (const HeldEntry& entry : mHeldEntries) {
        QX_LOG(entry.level, kSrcFile, kClass, "Settings::Settings") << entry.text << LOG_END;
    }
    mHeldEntries.clear();
}

Settings::~Settings() {
    // Carries values changed at run time over to the next start.
    if (!mSettingsFilePath.empty() && mIsFileWritable) {
        writeSettingsFile(mSettingsFilePath);
    }
    QX_LOG(CRT, kSrcFile, kClass, "Settings::~Settings") << "Destructed." << LOG_END;
}

int32_t Settings::readSettingsFile(const std::string& path) {
    int32_t status = 0;
    Cnfg cnfg(path, status);
    if (status != 0) {
        return -1;
    }
    mReadNumbers.clear();
    int32_t failures = readSection(*this, kProgramKeys, cnfg, kProgramSection, mReadNumbers);
    failures = readLogParameters(mLogPars, cnfg, failures, mReadNumbers);
    if (failures != 0) {
        QX_LOG(ERR, kSrcFile, kClass, "Settings::readSettingsFile")
            << "Error reading settings file!" << LOG_END;
        return -2;
    }
    return 0;
}

int32_t Settings::readParameter(Cnfg& cnfg, const std::string& key, std::string& value,
                                const std::string& section) {
    const int32_t result = cnfg.getParameter(key, value, section, true);
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

int32_t Settings::writeSettingsFile(const std::string& path) {
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
    if (result.status == kFileNotRegular) {
        QX_LOG(ERR, kSrcFile, kClass, "Settings::writeSettingsFile")
            << "Writing default settings file '" << mFileName << "' failed!" << LOG_END;
        return -1;
    }
    if (result.status == kFileWrittenInPlace) {
        QX_LOG(WRN, kSrcFile, kClass, "Settings::writeSettingsFile")
            << "Writing default settings file '" << mFileName
            << "': " << describeFileReplace(result) << "." << LOG_END;
    } else if (result.status != kFileReplaced) {
        QX_LOG(ERR, kSrcFile, kClass, "Settings::writeSettingsFile")
            << "Writing default settings file '" << mFileName
            << "' failed: " << describeFileReplace(result) << "." << LOG_END;
        return result.status == kFileNotCreated ? -1 : -2;
    }
    QX_LOG(TRC, kSrcFile, kClass, "Settings::writeSettingsFile")
        << "Default settings file written." << LOG_END;
    return 0;
}

std::string Settings::toString() const {
    std::ostringstream out;
    const auto line = [&out](const char* label, const auto& value) {
        out << std::right << std::setw(kSettingsLabelWidth) << label << value << '\n';
    };
    line("(AutoCAD Plug-in) mName: ", mName);
    line("               mVersion: ", mVersion);
    line("           mTraSensBase: ", mTraSensBase);
    line("           mRotSensBase: ", mRotSensBase);
    line("          mMinThreshold: ", mMinThreshold);
    line("       mMaxContMoveTime: ", mMaxContMoveTime);
    line("  mToggleRotationCenter: ", mToggleRotationCenter);
    line("    mToggleRotationAxis: ", mToggleRotationAxis);
    line("     mScrollTreeAndList: ", mScrollTreeAndList);
    line("       mUseInt3dIntrfce: ", mUseInt3dIntrfce);
    out << "               mLogPars:" << '\n' << ::toString(mLogPars, "    ") << '\n';
    return out.str();
}

std::string Settings::getUserProfile() {
    const char* profile = std::getenv(kEnvUserProfile);
    return profile == nullptr ? std::string() : std::string(profile);
}

const char* Settings::onOff(bool isOn) {
    return isOn ? "on" : "off";
}

bool Settings::isOn(const std::string& text) {
    return text.find("on") != std::string::npos;
}

int32_t readLogParameters(LogParameters& pars, Cnfg& cnfg, int32_t failures, NumberTexts& numbers) {
    return failures + readSection(pars, kLoggingKeys, cnfg, pars.mSectionName, numbers);
}

void writeLogParameters(const LogParameters& pars, std::ostream& out, int32_t valueWidth) {
    out << '[' << pars.mSectionName << "]\n";
    writeSection(pars, kLoggingKeys, out, valueWidth);
}

std::string toString(const LogParameters& pars, const std::string& indent) {
    std::ostringstream out;
    bool first = true;
    const auto line = [&](const char* label, const auto& value) {
        if (!first) {
            out << '\n';
        }
        first = false;
        out << indent << std::right << std::setw(kLogParsLabelWidth) << label << value;
    };
    line("    mSectionName: ", pars.mSectionName);
    line("mSettingsDirPath: ", pars.mSettingsDirPath);
    line("        mLogFile: ", pars.mLogFile);
    line("        mMaxSize: ", pars.mMaxSize);
    line("    mIsLogToFile: ", pars.mIsLogToFile);
    line("    mIsLogToCnsl: ", pars.mIsLogToCnsl);
    line("      mIsWarning: ", pars.mIsWarning);
    line("     mIsCreation: ", pars.mIsCreation);
    line("        mIsTrace: ", pars.mIsTrace);
    line("       mIsDevCom: ", pars.mIsDevCom);
    line("       mIsIntCom: ", pars.mIsIntCom);
    line("         mIsInfo: ", pars.mIsInfo);
    line("        mIsDebug: ", pars.mIsDebug);
    line("          mIsTmp: ", pars.mIsTmp);
    line("  mExclFileToLog: ", pars.mExclFileToLog);
    return out.str();
}
