// The plug-in's user-adjustable values: navigation sensitivities and timing,
// four switches and the log parameters. Read from the settings file in the
// user's profile at construction (defaults, and a fresh default file, when it
// is missing or incomplete) and written back at destruction. Base of the
// plug-in object; its members are read directly by the other parts. Host main
// thread only.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "logging.h"

class Cnfg;

// Each value of the settings file as the file has it, by key.
using NumberTexts = std::map<std::string, std::string>;

class Settings {
public:
    // Builds the paths from USERPROFILE and reads the settings file, falling
    // back to the defaults. Without USERPROFILE nothing is read or written.
    Settings();
    // Writes the settings file with the current values.
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // 0 every key found, -1 file not openable, -2 at least one key missing.
    int32_t readSettingsFile(const std::string& path);
    // Looks key up in section (trimmed); logs the reader's text at ERR when
    // that fails. Returns the reader's result (0, 2 or 3).
    static int32_t readParameter(Cnfg& cnfg, const std::string& key, std::string& value,
                                 const std::string& section);
    // The table defaults for the PROGRAM values, fresh log parameters (with an
    // empty settings folder).
    void setDefaults();
    // Writes the whole settings file with the current values through the
    // safe replace of file_replace.h: 0 (also when written in place, with a
    // WRN entry), -1 when anything but a regular file is at path or the file
    // cannot be created, -2 when it could not be replaced (read-only, no
    // room, no temporary file possible); then it is left as it was.
    int32_t writeSettingsFile(const std::string& path);
    // Multi-line dump of all values for the log.
    std::string toString() const;
    // Before the default file replaces a settings file that is there but
    // could not be used (unreadable, too large, keys missing), moves the
    // user's file aside as "autocad_addin.bak" in the same folder. False when
    // the user's file is still in place: it must not be written over.
    bool keepUnusableFile();
    // Brings every numeric value read from the file into a range that cannot
    // freeze the host or the log; one WRN entry for each value changed or
    // not written as a decimal number.
    void clampNumericValues();
    // Writes the entries held while the log had not started; called once the
    // log has started.
    void writeHeldEntries();

    // Value of USERPROFILE; empty when unset.
    static std::string getUserProfile();
    static const char* onOff(bool isOn);
    // True when text contains "on" anywhere (case-sensitive).
    static bool isOn(const std::string& text);

    // Defaults of the PROGRAM section.
    static constexpr const char* kDefaultName = "AutoCAD Plug-in";
    static constexpr const char* kDefaultVersion = "2.9.0";
    static constexpr int32_t kDefaultTraSensBase = 20000;
    static constexpr int32_t kDefaultRotSensBase = 10000;
    static constexpr int32_t kDefaultMinThreshold = 0;
    static constexpr int32_t kDefaultMaxContMoveTime = 500;  // ms
    static constexpr bool kDefaultToggleRotationCenter = true;
    static constexpr bool kDefaultToggleRotationAxis = false;
    static constexpr bool kDefaultScrollTreeAndList = true;
    static constexpr bool kDefaultUseInt3dIntrfce = false;

    // Width of the value column in the settings file.
    static constexpr int32_t kValueWidth = 50;

    std::string mDeviceDirName;
    std::string mFileName;
    std::string mApplicationsDirName;
    std::string mUserProfilePath;      // empty when USERPROFILE is unset
    std::string mSettingsFilePath;     // empty when USERPROFILE is unset
    std::string mApplicationsDirPath;  // folder of the menu file
    std::string mName;
    std::string mVersion;
    int32_t mTraSensBase = kDefaultTraSensBase;
    int32_t mRotSensBase = kDefaultRotSensBase;
    int32_t mMinThreshold = kDefaultMinThreshold;
    int32_t mMaxContMoveTime = kDefaultMaxContMoveTime;
    bool mToggleRotationCenter = kDefaultToggleRotationCenter;
    bool mToggleRotationAxis = kDefaultToggleRotationAxis;
    bool mScrollTreeAndList = kDefaultScrollTreeAndList;
    bool mUseInt3dIntrfce = kDefaultUseInt3dIntrfce;
    LogParameters mLogPars;

    // Ranges of the numeric values (ms, counts of the cap, units of 1000 bytes).
    static constexpr int32_t kMaxMinThreshold = 32767;
    static constexpr int32_t kMaxMaxContMoveTime = 10000;

private:
    // An entry made while the log had not started yet (the settings are read
    // before it starts), written by writeHeldEntries.
    struct HeldEntry {
        int32_t level;
        std::string text;
    };
    void hold(int32_t level, std::string text);
    // For a settings file that is a link: copies the file it names to
    // backupPath; false when that is not possible.
    bool copyLinkedFile(const std::string& backupPath);
    // Brings one value into [low, high], with one WRN entry when it was not
    // a plain decimal number or out of that range.
    void checkNumericValue(const char* key, int32_t& value, int32_t low, int32_t high);

    // False while the file in place is the user's own that could not be kept
    // aside: the values in memory are then never written over it.
    bool mIsFileWritable = true;
    std::vector<HeldEntry> mHeldEntries;
    // For the range warnings: the members hold the numbers clamped to 32 bits.
    NumberTexts mReadNumbers;
};

// Section [LOGGING] of the settings file, kept beside Settings because the
// log's record does not know the reader. All on the host's main thread.

// Reads the thirteen LOGGING keys (section mSectionName) into pars, and each
// value's text into numbers; returns failures plus the sum of the thirteen
// lookup results.
int32_t readLogParameters(LogParameters& pars, Cnfg& cnfg, int32_t failures, NumberTexts& numbers);
// Writes the section header line and the thirteen LOGGING lines with the
// given value width.
void writeLogParameters(const LogParameters& pars, std::ostream& out, int32_t valueWidth);
// One line per field, each indent + label right-aligned in 18 + value; no
// newline after the last.
std::string toString(const LogParameters& pars, const std::string& indent);
