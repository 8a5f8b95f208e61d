// The `setting KEY [VALUE]` step: a value of the module's settings file set
// before the module reads it, so that a scenario starts from known settings
// on any profile.
#pragma once

#include <string>

namespace qxsim {

// Sets KEY to VALUE in the settings file at `path`, keeping the line's layout
// (the value's column and the comment after it). A missing file is first
// written with the module's defaults, as the module itself writes them. The
// file is replaced as the module replaces it (file_replace.h).
// Returns an empty text, or what went wrong.
std::string setSetting(const std::string& path, const std::string& key, const std::string& value);

// What setSetting() would find wrong with KEY before writing anything: a
// file the module would not read, or a key it lacks. Empty when KEY is fine.
std::string checkSettingKey(const std::string& path, const std::string& key);

// The value of KEY in the settings file at `path` (the module's defaults
// where there is none), without blanks and comment; empty for a file the
// module would not read, or a key it lacks.
std::string settingValue(const std::string& path, const std::string& key);

// `setting` lines for the values of the settings file at `path` (the
// module's defaults where there is none), its keys in order; a comment
// instead for a file the module would not read.
std::string settingSteps(const std::string& path);

}  // namespace qxsim
