// The `setting` step: one value of the settings file, set while the module
// is not loaded (the module reads the file at load and writes it at unload).

#include "settings_step.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "file_kind.h"
#include "file_replace.h"
#include "scenario.h"
#include "scenario_tokens.h"

namespace qxsim {

extern const char* const kBundledDefaultSettings;  // examples/autocad_addin.ini
namespace {

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
// (the module writes them at load); false for a file the module would not read.
bool settingsText(const std::string& path, std::string& text) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
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

std::string notAKeyMessage(const std::string& path, const std::string& key,
                           const std::vector<std::string>& keys) {
    return "'" + key + "' is not a key of the settings file '" + path + "'" + didYouMean(key, keys);
}

}  // namespace

std::string checkSettingKey(const std::string& path, const std::string& key) {
    std::string text;
    if (!settingsText(path, text)) {
        return notReadableMessage(path);
    }
    std::vector<std::string> keys;
    for (const std::string& line : splitLines(text)) {
        KeyLine k;
        if (!parseKeyLine(line, k)) {
            continue;
        }
        if (k.key == key) {
            return {};
        }
        keys.push_back(k.key);
    }
    return notAKeyMessage(path, key, keys);
}

std::string setSetting(const std::string& path, const std::string& key, const std::string& value) {
    std::string text;
    if (!settingsText(path, text)) {
        return notReadableMessage(path);
    }
    std::vector<std::string> lines = splitLines(text);
    bool found = false;
    std::vector<std::string> keys;
    for (std::string& line : lines) {
        KeyLine k;
        if (!parseKeyLine(line, k)) {
            continue;
        }
        keys.push_back(k.key);
        if (k.key != key) {
            continue;
        }
        // The new value takes the old one's place; the comment keeps its
        // column where the value fits, and one blank before it where not.
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
        return notAKeyMessage(path, key, keys);
    }
    const char* const end = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string newText;
    for (const std::string& line : lines) {
        newText += line + end;
    }
    // The module's own safe replace: a link stays a link, mode and owner
    // stay, a read-only file and anything left beside it are never written.
    const FileReplaceResult result = replaceFileText(path, newText);
    if (result.status != kFileReplaced && result.status != kFileWrittenInPlace) {
        return "cannot write the settings file '" + path + "': " + describeFileReplace(result);
    }
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
        if (!parseKeyLine(line, k)) {
            continue;
        }
        const std::string value = line.substr(k.valueBegin, k.valueEnd - k.valueBegin);
        const bool plainKey = k.key.find_first_of(" \t#\"\\") == std::string::npos;
        out += stepText({{"setting", false}, {k.key, !plainKey}, {value, true}}) + "\n";
    }
    return out;
}

}  // namespace qxsim
