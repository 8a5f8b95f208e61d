// The `setting` step: one value of the settings file, set while the module
// is not loaded (the module reads the file at load and writes it at unload).

#include "settings_step.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "file_kind.h"
#include "file_replace.h"
#include "scenario.h"
#include "scenario_tokens.h"
#include "setting_keys.h"

namespace qxsim {

extern const char* const kBundledDefaultSettings;  // examples/autocad_addin.ini
namespace {

namespace fs = std::filesystem;

constexpr const char* kBlanks = " \t";

// The key and the value's place on a line "KEY = VALUE  # comment"; false
// for a line with no key (a section, a comment, a blank line).
struct KeyLine {
    std::string key;
    std::size_t valueBegin = 0;  // after "= " and its blanks
    std::size_t valueEnd = 0;    // before the comment's blanks, or the line's end
};

bool parseKeyLine(const std::string& line, KeyLine& out) {
    const std::size_t begin = line.find_first_not_of(kBlanks);
    const std::size_t eq = line.find('=');
    if (begin == std::string::npos || eq == std::string::npos || line[begin] == '#' ||
        line[begin] == ';' || line[begin] == '[') {
        return false;
    }
    const std::size_t keyEnd = line.find_last_not_of(kBlanks, eq - 1);
    if (keyEnd == std::string::npos || keyEnd < begin) {
        return false;
    }
    out.key = line.substr(begin, keyEnd + 1 - begin);
    const std::size_t hash = line.find('#', eq);
    const std::size_t end = hash == std::string::npos ? line.size() : hash;
    const std::size_t value = line.find_first_not_of(kBlanks, eq + 1);
    out.valueBegin = value == std::string::npos || value > end ? end : value;
    const std::size_t last = line.find_last_not_of(kBlanks, end - 1);
    out.valueEnd = last == std::string::npos || last < out.valueBegin ? out.valueBegin : last + 1;
    return true;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// The settings file's text, or the module's defaults where there is none
// (the module writes them at load); false for a file the module would not
// read, and for a link to nothing, which the safe replace leaves alone.
bool settingsText(const std::string& path, std::string& text) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) {
        text = kBundledDefaultSettings;
        return true;
    }
    if (!isReadableRegularFile(path)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string notReadableMessage(const std::string& path) {
    return "the settings file '" + path + "' is not a regular file of at most 8 MiB";
}

// What is wrong with the key and value before the file is looked at.
std::string keyValueProblem(const std::string& key, const std::string& value) {
    const SettingKey* known = findSettingKey(key);
    if (known == nullptr) {
        std::vector<std::string> keys;
        for (const SettingKey& k : settingKeys()) {
            keys.emplace_back(k.key);
        }
        return "'" + key + "' is not a key of the settings file" + didYouMean(key, keys) +
               "; qxsim --steps lists them";
    }
    return settingValueProblem(*known, value);
}

// `text` with KEY's value set to VALUE, into the empty `newText`: the new
// value takes the old one's place, the comment keeps its column where the
// value fits and one blank before it where not. An error for a file that
// lacks the key.
std::string withValue(const std::string& path, const std::string& text, const std::string& key,
                      const std::string& value, std::string& newText) {
    std::vector<std::string> lines = splitLines(text);
    bool found = false;
    for (std::string& line : lines) {
        KeyLine k;
        if (!parseKeyLine(line, k) || k.key != key) {
            continue;
        }
        const std::size_t hash = line.find('#', k.valueBegin);
        std::string field = value;
        if (hash != std::string::npos) {
            field.resize(std::max(hash - k.valueBegin, value.size() + 1), ' ');
        }
        line = line.substr(0, k.valueBegin) + field +
               (hash == std::string::npos ? std::string() : line.substr(hash));
        found = true;
    }
    if (!found) {
        return "the settings file '" + path + "' lacks the key '" + key +
               "' (the module replaces such a file by its default one at load)";
    }
    const char* const end = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    for (const std::string& line : lines) {
        newText += line + end;
    }
    return {};
}

bool canCreateFilesIn(const fs::path& folder) {
#ifdef _WIN32
    std::error_code ec;
    return fs::is_directory(folder, ec);
#else
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

// Why the safe replace could not write `size` bytes to the settings file at
// `path`, told as it would tell it; empty when it could. Writes nothing.
std::string writeProblem(const std::string& path, std::size_t size) {
    std::error_code ec;
    const fs::path apps = fs::path(path).parent_path();
    if (!fs::is_directory(apps, ec)) {
        const fs::path profile = apps.parent_path().parent_path();
        return "the profile '" + profile.string() + "' has no folder '" + apps.string() +
               "' to hold the settings file (qxsim --init-profile " + profile.string() +
               " makes a usable profile)";
    }
    FileReplaceResult result;
    // A link is followed on purpose, as the replace follows it.
    const bool exists = fs::exists(path, ec);
    result.path = exists ? fs::canonical(path, ec).string() : path;
    result.folder = fs::path(result.path).parent_path().string();
    // A folder the user cannot write is what the replace reports as access denied.
    const bool canCreate = canCreateFilesIn(result.folder);
    result.error = canCreate ? 0 : ERROR_ACCESS_DENIED;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!exists) {
        result.status = canCreate ? kFileReplaced : kFileNotCreated;
    } else if (!regularFileData(result.path, data)) {
        result.status = kFileNotRegular;
    } else if ((GetFileAttributesA(result.path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0) {
        result.status = kFileReadOnly;
    } else if (!canCreate && size > fileSizeOf(data)) {
        result.status = kFileNoTemporary;
    }
    return result.status == kFileReplaced
               ? std::string()
               : "cannot write the settings file '" + path + "': " + describeFileReplace(result);
}

}  // namespace

std::string setSetting(const std::string& path, const std::string& key, const std::string& value) {
    if (std::string problem = keyValueProblem(key, value); !problem.empty()) {
        return problem;
    }
    std::string text, newText;
    if (!settingsText(path, text)) {
        return notReadableMessage(path);
    }
    if (std::string missing = withValue(path, text, key, value, newText); !missing.empty()) {
        return missing;
    }
    // The module's own safe replace: a link stays a link, mode and owner
    // stay, a read-only file and anything left beside it are never written.
    const FileReplaceResult result = replaceFileText(path, newText);
    if (result.status != kFileReplaced && result.status != kFileWrittenInPlace) {
        return "cannot write the settings file '" + path + "': " + describeFileReplace(result);
    }
    return {};
}

SettingsPreview::SettingsPreview(std::string path)
    : mPath(std::move(path)), mReadable(settingsText(mPath, mText)) {}

std::string SettingsPreview::check(const std::string& key, const std::string& value) {
    if (std::string problem = keyValueProblem(key, value); !problem.empty()) {
        return problem;
    }
    if (!mReadable) {
        return notReadableMessage(mPath);
    }
    std::string newText;
    if (std::string missing = withValue(mPath, mText, key, value, newText); !missing.empty()) {
        return missing;
    }
    if (std::string problem = writeProblem(mPath, newText.size()); !problem.empty()) {
        return problem;
    }
    mText.swap(newText);
    return {};
}

std::string settingValue(const std::string& path, const std::string& key) {
    std::string text;
    std::string value;
    if (settingsText(path, text)) {
        for (const std::string& line : splitLines(text)) {
            KeyLine k;
            if (parseKeyLine(line, k) && k.key == key) {
                value = line.substr(k.valueBegin, k.valueEnd - k.valueBegin);
            }
        }
    }
    return value;
}

std::string settingSteps(const std::string& path) {
    std::string text;
    if (!settingsText(path, text)) {
        return "# The session's settings file could not be read: a replay starts from the "
               "profile's own settings.\n";
    }
    std::string out = "# The settings the session started with:\n";
    for (const std::string& line : splitLines(text)) {
        KeyLine k;
        const SettingKey* known = parseKeyLine(line, k) ? findSettingKey(k.key) : nullptr;
        if (known == nullptr) {
            continue;  // the module reads no other key
        }
        const std::string value =
            settingValueAsRead(*known, line.substr(k.valueBegin, k.valueEnd - k.valueBegin));
        out += stepText({{"setting", false}, {k.key, false}, {value, true}}) + "\n";
    }
    return out;
}

}  // namespace qxsim
