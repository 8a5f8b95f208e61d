// Texts of the log line and header: the prefix columns, the UTC time of day
// and the header's date. Pure functions, any thread.
#pragma once

#include <cstddef>
#include <string>

#include <windows.h>

enum Align { AlignLeft, AlignRight };

// Appends the `size` characters at `text` to out, filled with spaces to at
// least `width` characters.
void appendAligned(std::string& out, const char* text, std::size_t size, std::size_t width,
                   Align align);

// Characters the decimal text of any 64-bit value needs, sign included.
const std::size_t kDecimalChars = 20;
// Writes the decimal text of value (with a '-' when negative) so that it ends
// at `end`, and returns where it starts (at least end - kDecimalChars).
char* writeDecimal(INT64 value, char* end);
// The decimal text of value.
std::string decimalText(INT64 value);

// File, line and class-and-method columns of a log line: the file name after
// its last backslash right-aligned in 16, "| ", the line right-aligned in 4,
// "| ", class::method left-aligned in 32. Longer texts keep their tail
// behind a "*".
std::string formatLogPrefix(const char* file, int line, const char* className,
                            const char* methodName);

// Current UTC time of day as "hh:mm:ss.mmm" (system clock).
std::string getTimeString();
// The UTC time of day of a time in ms since 1970 (also before) as "hh:mm:ss.mmm".
std::string formatTimeOfDay(INT64 msSinceEpoch);

// Local date as "Www Mmm dd yyyy" from the ctime text.
std::string getDateString();
