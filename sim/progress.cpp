// Progress line of qxsim.

#include "progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace qxsim {
namespace {

constexpr std::size_t kTerminalWidth = 79;  // stays on one line of any terminal
constexpr std::size_t kMinBar = 10;         // narrower than this: no bar at all

std::string seconds(std::uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

std::string formatProgress(std::uint64_t playedMs, std::uint64_t totalMs, std::size_t width) {
    const std::string prefix = "qxsim: ";
    if (totalMs == 0) {
        return (prefix + seconds(playedMs)).substr(0, width);
    }
    playedMs = std::min(playedMs, totalMs);
    const unsigned percent = static_cast<unsigned>(playedMs * 100 / totalMs);
    const std::string numbers =
        "  " + seconds(playedMs) + " / " + seconds(totalMs) + "  " + std::to_string(percent) + "%";
    const std::size_t fixed = prefix.size() + 2 + numbers.size();  // 2: the brackets
    if (width < fixed + kMinBar) {
        return (prefix + numbers.substr(2)).substr(0, width);
    }
    const std::size_t bar = width - fixed;
    const std::size_t filled = static_cast<std::size_t>(playedMs * bar / totalMs);
    return prefix + "[" + std::string(filled, '#') + std::string(bar - filled, '.') + "]" + numbers;
}

ProgressDisplay::ProgressDisplay(std::FILE* stream, std::uint64_t totalMs)
    : mStream(stream), mTotalMs(totalMs), mActive(isatty(fileno(stream)) == 1) {}

ProgressDisplay::~ProgressDisplay() {
    clear();
}

void ProgressDisplay::update(std::uint64_t playedMs) {
    if (!mActive) {
        return;
    }
    std::string line = formatProgress(playedMs, mTotalMs, kTerminalWidth);
    if (line == mShown) {
        return;
    }
    // Pad with blanks over a longer previous line.
    const std::size_t pad = mShown.size() > line.size() ? mShown.size() - line.size() : 0;
    std::fprintf(mStream, "\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
    std::fflush(mStream);
    mShown = std::move(line);
}

void ProgressDisplay::clear() {
    if (!mActive || mShown.empty()) {
        return;
    }
    std::fprintf(mStream, "\r%s\r", std::string(mShown.size(), ' ').c_str());
    std::fflush(mStream);
    mShown.clear();
}

}  // namespace qxsim
