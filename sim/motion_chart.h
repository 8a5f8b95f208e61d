// The chart of one motion as an SVG drawing: time from the motion's first
// pass along the bottom; above, the six cap values the module read on each
// pass with the minThreshold band; below, one strip per kind of answer the
// view gave (orbit, pan, zoom, ...) in the units of the caption; marks
// where the timer's interval changed, a key, command or switch came, a limit
// held a step or the threshold held the cap back. A motion's rows are kept
// in a fixed number of time buckets (each a pass's first, last, least and
// largest values), so a chart costs the same memory however long the motion
// runs. The rows' CSV text lives here too. Pure; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qxsim {

// The view's answers to a pass, one column each. Zoom factors multiply
// (1 is no zoom); every other amount adds up. Degrees turn about the axis of
// the motion's first turn (negative: the other way); pan and camera moves are
// in the picture's terms (right, up, forward); object moves in world axes.
enum Answer : int {
    kOrbit,
    kPanRight,
    kPanUp,
    kZoom,
    kCameraForward,
    kCameraRight,
    kCameraUp,
    kPaperPanRight,
    kPaperPanUp,
    kPaperZoom,
    kMoveX,
    kMoveY,
    kMoveZ,
    kTurn,
    kScroll,
    kAnswerCount
};
bool isFactor(int answer);
// The answers of a pass that moved nothing: factors 1, amounts 0.
std::array<double, kAnswerCount> noAnswer();

struct PassRow {
    int motion = 0;
    std::uint64_t t = 0;      // ms of the session's clock, as the transcript's "t"
    std::uint64_t since = 0;  // ms since the motion's first pass
    int tick = 1;             // the timer tick of the motion the pass ran in, from 1
    int threshold = 0;        // the module's minThreshold
    std::array<short, 6> cap{};
    std::array<double, kAnswerCount> answers{};
    std::vector<std::string> marks;
};

// A motion's CSV file: one header line, one line per pass.
std::string csvHeader();
std::string csvLine(const PassRow& row);
// A line of csvLine's back into a row; false for anything else.
bool parseCsvLine(const std::string& line, PassRow& row);

inline constexpr int kChartWidth = 672;

class MotionChart {
public:
    MotionChart();

    // Starts a new motion's chart.
    void clear(int motion, std::uint64_t start);
    void add(const PassRow& row);

    int motion() const { return mMotion; }
    std::uint64_t rows() const { return mRows; }
    // The answers added up (zoom factors multiplied).
    const std::array<double, kAnswerCount>& totals() const { return mTotals; }

    // The chart; with `other` (the same motion of another run, drawn thin
    // and grey over it) and the names of both runs in the legend.
    std::string svg(const std::string& name = {}, const MotionChart* other = nullptr,
                    const std::string& otherName = {}) const;

private:
    static constexpr int kSeries = 6 + kAnswerCount;
    static constexpr std::size_t kBuckets = 512;
    static constexpr std::size_t kMaxMarks = 64;
    struct Bucket {
        bool used = false;
        double first = 0, last = 0, low = 0, high = 0;
    };
    struct Passes {
        std::uint32_t count = 0;
        std::uint64_t first = 0, last = 0;  // since the motion's start
    };
    struct Mark {
        std::uint64_t since;
        std::string text;
        std::uint64_t lastRow;  // the run of passes it stands for ends here
    };
    std::size_t bucketOf(std::uint64_t since);

    int mMotion = 0;
    std::uint64_t mStart = 0;
    std::uint64_t mEnd = 0;  // since the start, of the last row
    std::uint64_t mRows = 0;
    std::uint64_t mBucketMs = 1;
    int mThreshold = 0;
    std::array<std::vector<Bucket>, kSeries> mSeries;
    std::vector<Passes> mPasses;  // of each bucket
    std::array<bool, kSeries> mOccurred{};
    std::array<double, kAnswerCount> mTotals{};
    std::vector<Mark> mMarks;
    std::uint64_t mMarksLeftOut = 0;

    friend struct ChartDrawing;
};

}  // namespace qxsim
