// The one-line progress display of a long run: virtual time played against
// the scenario's total, redrawn in place on a terminal. The formatter is
// pure; the display writes to standard error from the host's main thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace qxsim {

// "qxsim: [#########...........]  12.3 s / 61.0 s  20%" in `width`
// characters at most (the bar gives way first). A total of 0 shows the time
// played alone; played beyond the total counts as the total.
std::string formatProgress(std::uint64_t playedMs, std::uint64_t totalMs, std::size_t width);

class ProgressDisplay {
public:
    // Shows nothing unless `stream` is a terminal.
    ProgressDisplay(std::FILE* stream, std::uint64_t totalMs);
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    bool active() const { return mActive; }
    // Redraws the line when the shown text changes.
    void update(std::uint64_t playedMs);
    // Clears the line, so later messages start at the left margin.
    void clear();

private:
    std::FILE* mStream;
    std::uint64_t mTotalMs;
    bool mActive;
    std::string mShown;
};

}  // namespace qxsim
