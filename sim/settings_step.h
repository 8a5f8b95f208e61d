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

// The settings file at `path` as a scenario's `setting` steps will find it,
// followed through the steps one by one before any of them plays; nothing is
// written. Main thread.
class SettingsPreview {
public:
    explicit SettingsPreview(std::string path);

    // What would stop `setting KEY VALUE` played next: a key the module
    // lacks, a value it would read otherwise than written, a file it would
    // not read, or one that cannot be written (a profile without its
    // settings folder, a read-only file, a read-only folder where the new
    // text does not fit the file's place). Empty when it can be played.
    std::string check(const std::string& key, const std::string& value);

private:
    std::string mPath;
    std::string mText;  // the file's text after the steps checked so far
    bool mReadable = false;
};

// The value of KEY in the settings file at `path` (the module's defaults
// where there is none), without blanks and comment; empty for a file the
// module would not read, or a key it lacks.
std::string settingValue(const std::string& path, const std::string& key);

// `setting` lines for the values of the settings file at `path` (the
// module's defaults where there is none), its keys in order, each value as
// the module reads it; a comment instead for a file the module would not read.
std::string settingSteps(const std::string& path);

}  // namespace qxsim
