// The keys of the module's settings file as a scenario's `setting` step sets
// them: section, kind of value, default and range, and how the module reads a
// value. `qxsim --steps` lists them and the check before play refuses a value
// the module would read otherwise than it is written. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qxsim {

enum class SettingType {
    Text,    // taken as written
    Number,  // a decimal whole number within [lo, hi]
    Switch,  // on or off
};

struct SettingKey {
    std::string_view section;
    std::string_view key;
    SettingType type;
    std::string_view defaultValue;  // as the module's default file has it
    std::int64_t lo = 0, hi = 0;    // a Number's range
    std::string_view what;          // lines of at most 72 characters
};

// Every key, in the order of the module's default file.
const std::vector<SettingKey>& settingKeys();

// The key named `key`, or none.
const SettingKey* findSettingKey(std::string_view key);

// The module's warning for a Number value that it reads as another number
// than written ("Setting 'rotSensBase' read as abc is not a decimal number -
// using 0."), or an empty text when it reads the value as written.
std::string moduleNumberWarning(const SettingKey& key, const std::string& value);

// What is wrong with `setting KEY VALUE` for a known key: a value the
// settings file cannot hold as written, or one the module would read
// otherwise (a switch other than on or off, a number it warns about). Empty
// when the value is fine.
std::string settingValueProblem(const SettingKey& key, const std::string& value);

// The value as the module takes it, written as the module writes it back: a
// switch as on or off, a number clamped to its range; a text as it is.
std::string settingValueAsRead(const SettingKey& key, const std::string& value);

// The list of keys for `qxsim --steps`.
std::string settingsReference();

}  // namespace qxsim
