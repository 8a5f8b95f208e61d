// Column texts of the log line and the header's date.
#include "log_time.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

const std::size_t kFileWidth = 16;
const std::size_t kLineWidth = 4;
const std::size_t kClassMethodWidth = 32;

// Appends a text to its column, or its tail behind a "*" when it is too wide.
void appendCut(std::string& out, const char* text, std::size_t size, std::size_t width,
               Align align) {
    if (size > width) {
        out += '*';
        out.append(text + size - (width - 1), width - 1);
        return;
    }
    appendAligned(out, text, size, width, align);
}

// "class::method" left-aligned in its column, or its tail behind a "*".
void appendClassMethod(std::string& out, const char* cls, const char* method, std::size_t width) {
    const std::size_t clsSize = std::strlen(cls);
    const std::size_t methodSize = std::strlen(method);
    const std::size_t size = clsSize + 2 + methodSize;
    if (size <= width) {
        out.append(cls, clsSize)
            .append("::", 2)
            .append(method, methodSize)
            .append(width - size, ' ');
        return;
    }
    std::size_t skip = size - (width - 1);
    out += '*';
    const char* const parts[] = {cls, "::", method};
    const std::size_t sizes[] = {clsSize, 2, methodSize};
    for (int i = 0; i < 3; ++i) {
        const std::size_t cut = std::min(skip, sizes[i]);
        out.append(parts[i] + cut, sizes[i] - cut);
        skip -= cut;
    }
}

char digit(int value) {
    return static_cast<char>('0' + value);
}

}  // namespace

void appendAligned(std::string& out, const char* text, std::size_t size, std::size_t width,
                   Align align) {
    std::size_t fill = size < width ? width - size : 0;
    if (align == AlignRight) {
        out.append(fill, ' ');
    }
    out.append(text, size);
    if (align == AlignLeft) {
        out.append(fill, ' ');
    }
}

char* writeDecimal(INT64 value, char* end) {
    // Digits of the magnitude, computed unsigned so that the most negative
    // value has one too.
    UINT64 magnitude = value < 0 ? 0 - static_cast<UINT64>(value) : static_cast<UINT64>(value);
    char* start = end;
    do {
        *--start = digit(static_cast<int>(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        *--start = '-';
    }
    return start;
}

std::string decimalText(INT64 value) {
    char text[kDecimalChars];
    char* const end = text + sizeof text;
    const char* const start = writeDecimal(value, end);
    return std::string(start, static_cast<std::size_t>(end - start));
}

std::string formatLogPrefix(const char* file, int line, const char* className,
                            const char* methodName) {
    const char* path = file != NULL ? file : "";
    const char* const slash = std::strrchr(path, '\\');
    const char* const name = slash == NULL ? path : slash + 1;
    const char* const cls = className != NULL ? className : "";
    const char* const method = methodName != NULL ? methodName : "";

    // Built by hand, without temporaries: this runs for every entry.
    char lineText[kDecimalChars];
    char* const lineEnd = lineText + sizeof lineText;
    const char* const lineStart = writeDecimal(line, lineEnd);

    std::string out;
    out.reserve(kFileWidth + kLineWidth + kClassMethodWidth + 8);
    appendCut(out, name, std::strlen(name), kFileWidth, AlignRight);
    out += "| ";
    appendAligned(out, lineStart, static_cast<std::size_t>(lineEnd - lineStart), kLineWidth,
                  AlignRight);
    out += "| ";
    appendClassMethod(out, cls, method, kClassMethodWidth);
    return out;
}

std::string getTimeString() {
    // 100 ns units since 1601; the epoch of 1970 is 11644473600 s later.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const INT64 ticks =
        static_cast<INT64>((static_cast<UINT64>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    const INT64 kEpochTicks = 116444736000000000LL;
    return formatTimeOfDay((ticks - kEpochTicks) / 10000);
}

std::string formatTimeOfDay(INT64 msSinceEpoch) {
    // Unix time has no leap seconds, so the time of day is the remainder of
    // the milliseconds since the epoch.
    const INT64 msPerDay = 24LL * 60 * 60 * 1000;
    INT64 ms = msSinceEpoch % msPerDay;
    if (ms < 0) {
        ms += msPerDay;
    }
    // Digits by hand: this runs for every log line, and printf costs more
    // than the rest of the line's columns together.
    const int h = static_cast<int>(ms / 3600000);
    const int m = static_cast<int>(ms / 60000 % 60);
    const int s = static_cast<int>(ms / 1000 % 60);
    const int milli = static_cast<int>(ms % 1000);
    const char text[] = {digit(h / 10),      digit(h % 10),          ':',
                         digit(m / 10),      digit(m % 10),          ':',
                         digit(s / 10),      digit(s % 10),          '.',
                         digit(milli / 100), digit(milli / 10 % 10), digit(milli % 10)};
    return std::string(text, sizeof text);
}

std::string getDateString() {
    std::time_t now = std::time(NULL);
    char buf[32] = {};
#ifdef _WIN32
    ctime_s(buf, sizeof buf, &now);
#else
    ctime_r(&now, buf);
#endif
    // "Www Mmm dd hh:mm:ss yyyy\n": weekday, month and day, then the year.
    std::string text(buf);
    if (text.size() < 24) {
        return text;
    }
    return text.substr(0, 11) + text.substr(20, 4);
}
