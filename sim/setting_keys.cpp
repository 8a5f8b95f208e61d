// The settings keys and the module's way of reading their values.

#include "setting_keys.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

#include "core/setting_number.h"

namespace qxsim {
namespace {

constexpr std::int64_t kIntMin = INT_MIN, kIntMax = INT_MAX;

// atoi in 64 bits, saturating: the number before the key's range applies.
std::int64_t wideNumber(const std::string& value) {
    return std::strtoll(leadingNumber(value).c_str(), nullptr, 10);
}

// The number the module uses: the wide one clamped to the key's range.
std::int64_t numberAsRead(const SettingKey& key, const std::string& value) {
    return std::clamp<std::int64_t>(wideNumber(value), key.lo, key.hi);
}

}  // namespace

const std::vector<SettingKey>& settingKeys() {
    using T = SettingType;
    static const std::vector<SettingKey> keys = {
        {"PROGRAM", "name", T::Text, "AutoCAD Plug-in", 0, 0, "The program's name."},
        {"PROGRAM", "version", T::Text, "2.9.0", 0, 0, "The program's version number."},
        {"PROGRAM", "transSensBase", T::Number, "20000", kIntMin, kIntMax,
         "Divides the cap's moves: larger is gentler. 0 switches them off\n"
         "(the module logs an ERR entry once a motion)."},
        {"PROGRAM", "rotSensBase", T::Number, "10000", kIntMin, kIntMax,
         "Divides the cap's turns: larger is gentler. 0 switches them off\n"
         "(the module logs an ERR entry once a motion)."},
        {"PROGRAM", "minThreshold", T::Number, "0", 0, 32767,
         "While every axis is within this the cap counts as at rest; past it,\n"
         "all six axes count at full value (nothing is subtracted)."},
        {"PROGRAM", "maxContMoveTime", T::Number, "500", 0, 10000,
         "The most time one timer tick of the module takes, in ms; 0\n"
         "switches navigation off."},
        {"PROGRAM", "toggleRotationCenter", T::Switch, "on", 0, 0,
         "on: the view turns about the selection's centre.\n"
         "QX_Toggle_Rotation_Center flips it."},
        {"PROGRAM", "toggleRotationAxis", T::Switch, "off", 0, 0,
         "on: the view turns about a selected line.\n"
         "QX_Toggle_Rotation_Axis flips it."},
        {"PROGRAM", "scrollTreeAndList", T::Switch, "on", 0, 0,
         "on: the cap scrolls the list or tree under the pointer.\n"
         "QX_Toggle_Scroll_Mode flips it."},
        {"PROGRAM", "useInt3dIntrfce", T::Switch, "off", 0, 0,
         "on: the module moves no view and no object (another plug-in of\n"
         "the device would)."},
        {"LOGGING", "logFile", T::Text, "autocad_addin_log.txt", 0, 0,
         "The log's name, in the profile's QuorvexDevice folder."},
        {"LOGGING", "maxSize", T::Number, "5000", 0, kIntMax,
         "The log's largest size, in units of 1000 bytes; then it is moved\n"
         "to autocad_addin_log.bak and a new one begins."},
        {"LOGGING", "logToFile", T::Switch, "on", 0, 0, "Log into the log file."},
        {"LOGGING", "logToCnsl", T::Switch, "off", 0, 0, "Log to the console as well."},
        {"LOGGING", "warning", T::Switch, "off", 0, 0, "Log WRN entries."},
        {"LOGGING", "creation", T::Switch, "on", 0, 0, "Log CRT entries (parts made and ended)."},
        {"LOGGING", "trace", T::Switch, "off", 0, 0, "Log TRC entries."},
        {"LOGGING", "devcom", T::Switch, "off", 0, 0, "Log DCM entries (the module has none)."},
        {"LOGGING", "intcom", T::Switch, "off", 0, 0, "Log ICM entries (talk with the daemon)."},
        {"LOGGING", "info", T::Switch, "on", 0, 0, "Log INF entries."},
        {"LOGGING", "debug", T::Switch, "off", 0, 0, "Log DBG entries."},
        {"LOGGING", "tmp", T::Switch, "off", 0, 0, "Log TMP entries."},
        {"LOGGING", "fileToLog", T::Text, "", 0, 0,
         "Log only the entries of this source file (empty: all)."},
    };
    return keys;
}

const SettingKey* findSettingKey(std::string_view key) {
    for (const SettingKey& k : settingKeys()) {
        if (k.key == key) {
            return &k;
        }
    }
    return nullptr;
}

std::string moduleNumberWarning(const SettingKey& key, const std::string& value) {
    const std::int64_t wide = wideNumber(value), used = numberAsRead(key, value);
    const bool decimal = isDecimalNumber(value), inRange = used == wide;
    if (decimal && inRange) {
        return {};
    }
    std::string text = "Setting '" + std::string(key.key) + "' read as " +
                       (value.empty() ? std::string("(empty)") : value) + " is ";
    if (!decimal) {
        text += inRange ? "not a decimal number" : "not a decimal number and ";
    }
    if (!inRange) {
        text += "out of range " + std::to_string(key.lo) + ".." + std::to_string(key.hi);
    }
    return text + " - using " + std::to_string(used) + ".";
}

std::string settingValueProblem(const SettingKey& key, const std::string& value) {
    const std::string found = "'" + std::string(key.key) + "' ";
    // The reader ends a value at '#' and drops the blanks around it.
    if (value.find_first_of("#\r\n") != std::string::npos) {
        return found + "cannot be set to '" + value +
               "': in the settings file a value ends at '#' or a line's end";
    }
    if (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                           value.back() == '\t')) {
        return found + "cannot be set to '" + value +
               "': the settings file drops the blanks around a value";
    }
    switch (key.type) {
        case SettingType::Text:
            return {};
        case SettingType::Switch:
            if (value == "on" || value == "off") {
                return {};
            }
            return found + "is a switch, on or off, found '" + value +
                   "' (the module reads a value as on when it holds \"on\": this one reads as " +
                   settingValueAsRead(key, value) + ")";
        case SettingType::Number:
            if (std::string warning = moduleNumberWarning(key, value); !warning.empty()) {
                return found + "takes a decimal whole number from " + std::to_string(key.lo) +
                       " to " + std::to_string(key.hi) + ", found '" + value +
                       "' (the module would log: " + warning + ")";
            }
            return {};
    }
    return {};
}

std::string settingValueAsRead(const SettingKey& key, const std::string& value) {
    switch (key.type) {
        case SettingType::Switch:
            return value.find("on") != std::string::npos ? "on" : "off";
        case SettingType::Number:
            return std::to_string(numberAsRead(key, value));
        case SettingType::Text:
            break;
    }
    return value;
}

std::string settingsReference() {
    std::string text =
        "\nThe keys 'setting KEY VALUE' sets, by section of the settings file, each\n"
        "with its values and its default (a fresh profile has the defaults):\n";
    std::string_view section;
    for (const SettingKey& key : settingKeys()) {
        if (key.section != section) {
            section = key.section;
            text += "\n[" + std::string(section) + "]\n";
        }
        text += std::string(key.key) + ": ";
        switch (key.type) {
            case SettingType::Text:
                text += "a text";
                break;
            case SettingType::Switch:
                text += "on or off";
                break;
            case SettingType::Number:
                text += "a decimal whole number " + std::to_string(key.lo) + ".." +
                        std::to_string(key.hi);
                break;
        }
        text += key.defaultValue.empty() ? ", empty by default\n"
                                         : ", default " + std::string(key.defaultValue) + "\n";
        for (std::string_view what = key.what; !what.empty();) {
            const std::size_t eol = std::min(what.find('\n'), what.size());
            text += "    " + std::string(what.substr(0, eol)) + "\n";
            what.remove_prefix(std::min(eol + 1, what.size()));
        }
    }
    return text;
}

}  // namespace qxsim
