// The plug-in's user-adjustable values: navigation sensitivities and timing,
// four switches and the log parameters. Read from the settings file in the
// user's profile at construction (defaults, and a fresh default file, when it
// is missing or incomplete) and written back at destruction. Base of the
// plug-in object; its members are read directly by the other parts. Host main
// thread only.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <windows.h>

#include "logging.h"

class Cnfg;

// Each value of the settings file as the file has it, by key.
typedef std::map<std::string, std::string> NumberTexts;

class Settings {
public:
    // Builds the paths from USERPROFILE and reads the settings file, falling
    // back to the defaults. Without USERPROFILE nothing is read or written.
    Settings();
    // Writes the settings file with the current values.
    ~Settings();

    // 0 every key found, -1 file not openable, -2 at least one key missing.
    INT32 readSettingsFile(const std::string& path);
    // Looks key up in section (trimmed); logs the reader's text at ERR when
    // that fails. Returns the reader's result (0, 2 or 3).
    static INT32 readParameter(Cnfg& cnfg, const std::string& key, std::string& value,
                               const std::string& section);
    // The table defaults for the PROGRAM values, fresh log parameters (with an
    // empty settings folder).
    void setDefaults();
    // Writes the whole settings file with the current values through the
    // safe replace of file_replace.h: 0 (also when written in place, with a
    // WRN entry), -1 when anything but a regular file is at path or the file
    // cannot be created, -2 when it could not be replaced (read-only, no
    // room, no temporary file possible); then it is left as it was.
    INT32 writeSettingsFile(const std::string& path);
    // Multi-line dump of all values for the log.
    std::string toString() const;
    // Before the default file replaces a settings file that is there but
    // could not be used (unreadable, too large, keys missing), keeps the
    // user's file aside under the first free name of "autocad_addin.bak",
    // "autocad_addin.bak1" ... "autocad_addin.bak9" in the same folder
    // (keepFileAside of file_replace.h). False when the user's file is still
    // in place: it must not be written over.
    bool keepUnusableFile();
    // Brings every numeric value read from the file into a range that cannot
    // freeze the host or the log; one WRN entry for each value changed or
    // not written as a decimal number.
    void clampNumericValues();
    // Writes the entries held while the log had not started; called once the
    // log has started.
    void writeHeldEntries();

    // Value of USERPROFILE in the ANSI code page; empty when unset.
    static std::string getUserProfile();
    // False when USERPROFILE holds characters the ANSI code page cannot
    // carry: its ANSI value names another folder (a '?' for each).
    static bool isUserProfileInAnsi();
    static const char* onOff(bool isOn);
    // True when text contains "on" anywhere (case-sensitive).
    static bool isOn(const std::string& text);

    // Defaults of the PROGRAM section.
    static const char* const kDefaultName;
    static const char* const kDefaultVersion;
    static const INT32 kDefaultTraSensBase = 20000;
    static const INT32 kDefaultRotSensBase = 10000;
    static const INT32 kDefaultMinThreshold = 0;
    static const INT32 kDefaultMaxContMoveTime = 500;  // ms
    static const bool kDefaultToggleRotationCenter = true;
    static const bool kDefaultToggleRotationAxis = false;
    static const bool kDefaultScrollTreeAndList = true;
    static const bool kDefaultUseInt3dIntrfce = false;

    // Width of the value column in the settings file.
    static const INT32 kValueWidth = 50;

    std::string mDeviceDirName;
    std::string mFileName;
    std::string mApplicationsDirName;
    std::string mUserProfilePath;      // empty when USERPROFILE is unset
    std::string mSettingsFilePath;     // empty when USERPROFILE is unset
    std::string mApplicationsDirPath;  // folder of the menu file
    std::string mName;
    std::string mVersion;
    INT32 mTraSensBase;
    INT32 mRotSensBase;
    INT32 mMinThreshold;
    INT32 mMaxContMoveTime;
    bool mToggleRotationCenter;
    bool mToggleRotationAxis;
    bool mScrollTreeAndList;
    bool mUseInt3dIntrfce;
    LogParameters mLogPars;
    // USERPROFILE was set but names no folder the module can reach (see
    // isUserProfileInAnsi): the paths stay empty, as without a profile, and
    // the user is told once.
    bool mIsUserProfileUnusable;

    // Ranges of the numeric values (ms, counts of the cap, units of 1000 bytes).
    static const INT32 kMaxMinThreshold = 32767;
    static const INT32 kMaxMaxContMoveTime = 10000;

private:
    Settings(const Settings&);
    Settings& operator=(const Settings&);

    // An entry made while the log had not started yet (the settings are read
    // before it starts), written by writeHeldEntries.
    struct HeldEntry {
        INT32 level;
        std::string text;
    };
    void hold(INT32 level, std::string text);
    // Brings one value into [low, high], with one WRN entry when it was not
    // a plain decimal number or out of that range.
    void checkNumericValue(const char* key, INT32& value, INT32 low, INT32 high);

    // False while the file in place is the user's own that could not be kept
    // aside: the values in memory are then never written over it.
    bool mIsFileWritable;
    std::vector<HeldEntry> mHeldEntries;
    // For the range warnings: the members hold the numbers clamped to 32 bits.
    NumberTexts mReadNumbers;
};

// Section [LOGGING] of the settings file, kept beside Settings because the
// log's record does not know the reader. All on the host's main thread.

// Reads the thirteen LOGGING keys (section mSectionName) into pars, and each
// value's text into numbers; returns failures plus the sum of the thirteen
// lookup results.
INT32 readLogParameters(LogParameters& pars, Cnfg& cnfg, INT32 failures, NumberTexts& numbers);
// Writes the section header line and the thirteen LOGGING lines with the
// given value width.
void writeLogParameters(const LogParameters& pars, std::ostream& out, INT32 valueWidth);
// One line per field, each indent + label right-aligned in 18 + value; no
// newline after the last.
std::string toString(const LogParameters& pars, const std::string& indent);
