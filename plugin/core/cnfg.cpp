// Reader of sectioned key/value files. Every loop that reads lines ends when
// std::getline fails, so a stream in a failed state (unreadable data, a file
// that vanished) can never make it spin.
#include "cnfg.h"

#include "file_kind.h"

namespace {

// Blanks separate keys and surround values.
const char* const kBlanks = " \t";

// Ends a file read in text mode on Windows (Ctrl-Z), as files made on DOS
// may carry it after their last line.
const char kEndOfFileChar = '\x1A';

// std::getline as a text-mode file reads on Windows, on every system: a
// carriage return right before the line feed is part of the line end, and a
// Ctrl-Z ends the file. A file written on Windows then reads the same
// everywhere.
std::istream& readTextLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) {
        return in;
    }
    const std::size_t end = line.find(kEndOfFileChar);
    if (end != std::string::npos) {
        line.erase(end);
        in.setstate(std::ios::eofbit);  // the next read fails
    } else if (!in.eof() && !line.empty() && line[line.size() - 1] == '\r') {
        line.erase(line.size() - 1);
    }
    return in;
}

}  // namespace

const INT32 Cnfg::kOk;
const INT32 Cnfg::kFileNotFound;
const INT32 Cnfg::kSectionNotFound;
const INT32 Cnfg::kParameterNotFound;
const INT32 Cnfg::kNoFurtherParameter;

Cnfg::Cnfg(const std::string& fileName, INT32& status) : mCommentChar('#'), mError(kOk) {
    status = open(fileName);
}

// The stream closes the file.
Cnfg::~Cnfg() {}

INT32 Cnfg::open(const std::string& fileName) {
    mTerminators = "#\r\n";
    mSeparators = "=\t";
    mCommentChar = mTerminators[0];
    mFileName = fileName;
    mError = kOk;

    if (mStream.is_open()) {
        mStream.close();
    }

    // Only regular files: a folder opens on some systems but reads nothing
    // sensible, and opening a pipe could block forever. A runaway file would
    // stall the host's thread in every lookup.
    if (!isReadableRegularFile(fileName)) {
        mError = kFileNotFound;
        return mError;
    }
    mStream.open(fileName.c_str(), std::ios::in);
    if (!mStream.is_open()) {
        mError = kFileNotFound;
        return mError;
    }
    return kOk;
}

INT32 Cnfg::findSection(const std::string& name) {
    mError = kOk;
    mSection = name;
    mStream.clear();
    mStream.seekg(0, std::ios::beg);

    std::string line;
    while (readTextLine(mStream, line)) {
        std::string section;
        std::string key;
        std::string value;
        parseLine(line, section, key, value);
        if (section == name) {
            return kOk;
        }
    }
    mError = kSectionNotFound;
    return mError;
}

INT32 Cnfg::getNextParameter(std::string& key, std::string& value, bool trimValue) {
    mError = kOk;
    if (mStream.good()) {
        // Comments and empty Windows lines in the first column stand between
        // parameters without ending the list. A failed read leaves the line
        // empty, which ends the list below.
        std::string line;
        while (readTextLine(mStream, line) && !line.empty() &&
               (line[0] == mCommentChar || line[0] == '\r')) {
        }
        std::string section;
        key.clear();
        value.clear();
        parseLine(line, section, key, value);
        if (trimValue) {
            trim(value);
        }
        if (!key.empty()) {
            return kOk;
        }
    }
    mError = kNoFurtherParameter;
    return mError;
}

INT32 Cnfg::getParameter(const std::string& key, std::string& value, const std::string& section,
                         bool trimValue) {
    mError = kOk;
    mParameter = key;
    if (!section.empty()) {
        const INT32 result = findSection(section);
        if (result != kOk) {
            return result;
        }
    }
    std::string foundKey;
    while (getNextParameter(foundKey, value, trimValue) == kOk) {
        if (foundKey == key) {
            return kOk;
        }
    }
    mError = kParameterNotFound;
    return mError;
}

void Cnfg::parseLine(const std::string& line, std::string& section, std::string& key,
                     std::string& value) const {
    section.clear();
    key.clear();
    value.clear();

    const size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string::npos || line[first] == mCommentChar) {
        return;  // blank or comment line
    }
    if (line[first] == '[') {
        const size_t close = line.find(']', first + 1);
        if (close != std::string::npos) {
            section = line.substr(first + 1, close - first - 1);
        }
        return;
    }

    size_t keyEnd = line.find_first_of(mSeparators, first);
    if (keyEnd == std::string::npos) {
        keyEnd = line.size();
    }
    key = line.substr(first, keyEnd - first);
    const size_t keyLast = key.find_last_not_of(' ');
    key.resize(keyLast == std::string::npos ? 0 : keyLast + 1);

    // Only the run of separators right after the key is skipped; later "="
    // belong to the value.
    const size_t valueStart = line.find_first_not_of(mSeparators, keyEnd);
    if (valueStart == std::string::npos) {
        return;
    }
    size_t valueEnd = line.find_first_of(mTerminators, valueStart);
    if (valueEnd == std::string::npos) {
        valueEnd = line.size();
    }
    value = line.substr(valueStart, valueEnd - valueStart);
}

void Cnfg::trim(std::string& text) {
    size_t end = text.size();
    if (end > 0 && text[end - 1] == '\0') {
        --end;
    }
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos || first >= end) {
        text.clear();
        return;
    }
    const size_t last = text.find_last_not_of(kBlanks, end - 1);
    text = text.substr(first, last - first + 1);
}

std::string Cnfg::getErrorText() const {
    switch (mError) {
        case kOk:
            return "OK";
        case kFileNotFound:
            return "File '" + mFileName + "' not found!";
        case kSectionNotFound:
            return "Section '" + mSection + "' not found!";
        case kParameterNotFound:
            return "Parameter '" + mParameter + "' in section '" + mSection + "' not found! (" +
                   mFileName + ")";
        case kNoFurtherParameter:
            return "No further parameter in section '" + mSection + "'!";
        default:
            return "Unknown error in class Cnfg!";
    }
}
