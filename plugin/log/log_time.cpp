// Column texts of the log line and the header's date.
#include "log_time.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string_view>

namespace {

constexpr std::size_t kFileWidth = 16;
constexpr std::size_t kLineWidth = 4;
constexpr std::size_t kClassMethodWidth = 32;

// Appends a text to its column, or its tail behind a "*" when it is too wide.
void appendCut(std::string& out, std::string_view text, std::size_t width, Align align) {
    if (text.size() > width) {
        out += '*';
        out.append(text.substr(text.size() - (width - 1)));
        return;
    }
    appendAligned(out, text, width, align);
}

// "class::method" left-aligned in its column, or its tail behind a "*".
void appendClassMethod(std::string& out, std::string_view cls, std::string_view method,
                       std::size_t width) {
    const std::size_t size = cls.size() + 2 + method.size();
    if (size <= width) {
        out.append(cls).append("::").append(method).append(width - size, ' ');
        return;
    }
    std::size_t skip = size - (width - 1);
    out += '*';
    for (const std::string_view part : {cls, std::string_view("::"), method}) {
        const std::size_t cut = std::min(skip, part.size());
        out.append(part.substr(cut));
        skip -= cut;
    }
}

char digit(int value) {
    return static_cast<char>('0' + value);
}

}  // namespace

void appendAligned(std::string& out, std::string_view text, std::size_t width, Align align) {
    std::size_t fill = text.size() < width ? width - text.size() : 0;
    if (align == Align::Right) {
        out.append(fill, ' ');
    }
    out.append(text);
    if (align == Align::Left) {
        out.append(fill, ' ');
    }
}

std::string formatLogPrefix(const char* file, int line, const char* className,
                            const char* methodName) {
    std::string_view path = file != nullptr ? file : "";
    const std::size_t slash = path.find_last_of('\\');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::string_view cls = className != nullptr ? className : "";
    const std::string_view method = methodName != nullptr ? methodName : "";

    // Built by hand, without temporaries: this runs for every entry.
    char lineText[16];
    const auto lineEnd = std::to_chars(lineText, lineText + sizeof lineText, line).ptr;

    std::string out;
    out.reserve(kFileWidth + kLineWidth + kClassMethodWidth + 8);
    appendCut(out, name, kFileWidth, Align::Right);
    out += "| ";
    appendAligned(out, std::string_view(lineText, static_cast<std::size_t>(lineEnd - lineText)),
                  kLineWidth, Align::Right);
    out += "| ";
    appendClassMethod(out, cls, method, kClassMethodWidth);
    return out;
}

std::string getTimeString() {
    using namespace std::chrono;
    return formatTimeOfDay(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

std::string formatTimeOfDay(int64_t msSinceEpoch) {
    // Unix time has no leap seconds, so the time of day is the remainder of
    // the milliseconds since the epoch.
    const int64_t msPerDay = 24LL * 60 * 60 * 1000;
    int64_t ms = msSinceEpoch % msPerDay;
    if (ms < 0) {
        ms += msPerDay;
    }
    // Digits by hand: this runs for every log line, and printf costs more
    // than the rest of the line's columns together.
    const auto h = static_cast<int>(ms / 3600000);
    const auto m = static_cast<int>(ms / 60000 % 60);
    const auto s = static_cast<int>(ms / 1000 % 60);
    const auto milli = static_cast<int>(ms % 1000);
    const char text[] = {digit(h / 10),      digit(h % 10),          ':',
                         digit(m / 10),      digit(m % 10),          ':',
                         digit(s / 10),      digit(s % 10),          '.',
                         digit(milli / 100), digit(milli / 10 % 10), digit(milli % 10)};
    return std::string(text, sizeof text);
}

std::string getDateString() {
    std::time_t now = std::time(nullptr);
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
