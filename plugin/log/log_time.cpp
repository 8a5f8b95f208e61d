// Column texts of the log line and the header's date.
#include "log_time.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace {

constexpr std::size_t kFileWidth = 16;
constexpr std::size_t kLineWidth = 4;
constexpr std::size_t kClassMethodWidth = 32;

// Keeps the tail of a text that is too wide for its column, marked by "*".
std::string fitTail(const std::string& text, std::size_t width) {
    if (text.size() <= width) {
        return text;
    }
    std::string tail(1, '*');
    tail.append(text, text.size() - (width - 1));
    return tail;
}

}  // namespace

void appendAligned(std::string& out, const std::string& text, std::size_t width, Align align) {
    std::size_t fill = text.size() < width ? width - text.size() : 0;
    if (align == Align::Right) {
        out.append(fill, ' ');
    }
    out += text;
    if (align == Align::Left) {
        out.append(fill, ' ');
    }
}

std::string formatLogPrefix(const char* file, int line, const char* className,
                            const char* methodName) {
    std::string_view path = file != nullptr ? file : "";
    std::size_t slash = path.find_last_of('\\');
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    std::string classMethod = std::string(className != nullptr ? className : "") +
                              "::" + (methodName != nullptr ? methodName : "");

    // Built by hand rather than with a string stream: this runs for every entry.
    std::string out;
    out.reserve(kFileWidth + kLineWidth + kClassMethodWidth + 8);
    appendAligned(out, fitTail(name, kFileWidth), kFileWidth, Align::Right);
    out += "| ";
    appendAligned(out, std::to_string(line), kLineWidth, Align::Right);
    out += "| ";
    appendAligned(out, fitTail(classMethod, kClassMethodWidth), kClassMethodWidth, Align::Left);
    return out;
}

std::string getTimeString() {
    using namespace std::chrono;
    // Unix time has no leap seconds, so the time of day is the remainder of
    // the milliseconds since the epoch.
    const int64_t msPerDay = 24LL * 60 * 60 * 1000;
    int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    ms %= msPerDay;
    if (ms < 0) {
        ms += msPerDay;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return buf;
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
