// Reader of line-oriented configuration files made of [sections] and
// key/value parameters (the settings file and the menu file). It never writes,
// never throws and never logs: every operation leaves an error code that
// getErrorText turns into a message for the caller. One thread at a time.
#pragma once

#include <fstream>
#include <string>

#include <windows.h>

class Cnfg {
public:
    // Sets up the members and opens fileName; status receives open's result.
    Cnfg(const std::string& fileName, INT32& status);
    ~Cnfg();

    // Opens fileName for reading: 0, or 1 when it cannot be opened (missing,
    // unreadable, not a regular file such as a folder or a pipe, or larger
    // than 8 MiB).
    INT32 open(const std::string& fileName);

    // Rewinds and positions the stream on the line after the header of
    // section name: 0, or 2 when no such header exists.
    INT32 findSection(const std::string& name);

    // Reads the next parameter line of the current section: 0 with key and
    // value set, or 4 at the end of the section's parameter list. When the
    // stream has already run out, key and value are left untouched.
    INT32 getNextParameter(std::string& key, std::string& value, bool trimValue);

    // Finds key in section (or, with an empty section, from the current
    // position on) and returns its value: 0, 2 (no section) or 3 (no key).
    INT32 getParameter(const std::string& key, std::string& value, const std::string& section,
                       bool trimValue);

    // Splits one line into section name, key and value; each stays empty when
    // the line has no such part.
    void parseLine(const std::string& line, std::string& section, std::string& key,
                   std::string& value) const;

    // Removes leading and trailing spaces and tabs; a NUL as the very last
    // character is dropped first.
    static void trim(std::string& text);

    // Text of the last operation's error code.
    std::string getErrorText() const;

    INT32 error() const { return mError; }

    static const INT32 kOk = 0;
    static const INT32 kFileNotFound = 1;
    static const INT32 kSectionNotFound = 2;
    static const INT32 kParameterNotFound = 3;
    static const INT32 kNoFurtherParameter = 4;

private:
    Cnfg(const Cnfg&);
    Cnfg& operator=(const Cnfg&);

    char mCommentChar;
    std::string mSeparators;
    std::string mTerminators;
    std::string mFileName;
    std::string mSection;
    std::string mParameter;
    std::ifstream mStream;
    INT32 mError;
};
