// Charts of motions, and their rows as CSV text.

#include "motion_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "picture.h"

namespace qxsim {
namespace {

const char* const kAnswerColumns[kAnswerCount] = {
    "orbit_deg",    "pan_right", "pan_up",          "zoom_x",       "camera_forward",
    "camera_right", "camera_up", "paper_pan_right", "paper_pan_up", "paper_zoom_x",
    "move_x",       "move_y",    "move_z",          "turn_deg",     "scroll_lines"};
const char* const kCapNames[6] = {"TX", "TY", "TZ", "RX", "RY", "RZ"};
constexpr int kFixedColumns = 11;  // motion .. rz

// Lines told apart without colour: each has a dash pattern of its own and a
// label at its end; colour helps where there is some.
const char* const kCapDashes[6] = {"", "7 3", "2 2", "9 3 2 3", "14 4", "2 4 7 4"};
const char* const kCapColours[6] = {"#1d3557", "#2a9d8f", "#e76f51",
                                    "#6a4c93", "#b5838d", "#8a5a00"};
const char* const kStripDashes[3] = {"", "7 3", "2 2"};
const char* const kStripColours[3] = {"#1d3557", "#e76f51", "#2a9d8f"};

struct Strip {
    const char* title;
    const char* unit;
    int count;
    int series[3];
    const char* labels[3];
};
const Strip kStrips[] = {
    {"orbit", "deg", 1, {kOrbit}, {"orbit"}},
    {"pan", "units", 2, {kPanRight, kPanUp}, {"right", "up"}},
    {"zoom", "factor", 1, {kZoom}, {"zoom"}},
    {"camera move",
     "units",
     3,
     {kCameraForward, kCameraRight, kCameraUp},
     {"forward", "right", "up"}},
    {"paper pan", "units", 2, {kPaperPanRight, kPaperPanUp}, {"right", "up"}},
    {"paper zoom", "factor", 1, {kPaperZoom}, {"zoom"}},
    {"object move", "units", 3, {kMoveX, kMoveY, kMoveZ}, {"x", "y", "z"}},
    {"object turn", "deg", 1, {kTurn}, {"turn"}},
    {"scroll", "lines", 1, {kScroll}, {"lines"}},
};

// The drawing's frame, in pixels.
constexpr double kLeft = 64, kPlotWidth = kChartWidth - 64 - 80;
constexpr double kCapTop = 84, kCapHeight = 150;
constexpr double kStripGap = 14, kStripHeight = 78;

std::string number(double value) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

std::string px(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string brief(double value) {
    if (!std::isfinite(value)) {
        return "overflow";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// The smallest of 1, 2, 5 times a power of ten that is at least `value`.
double niceCeil(double value) {
    if (!(value > 0) || !std::isfinite(value)) {
        return 1.0;
    }
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0}) {
        if (step * power >= value * (1 - 1e-12)) {
            return step * power;
        }
    }
    return 10 * power;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c == '\n' ? ' ' : c);
    }
    return quoted + "\"";
}

}  // namespace

bool isFactor(int answer) {
    return answer == kZoom || answer == kPaperZoom;
}

std::array<double, kAnswerCount> noAnswer() {
    std::array<double, kAnswerCount> answers{};
    answers[kZoom] = answers[kPaperZoom] = 1.0;
    return answers;
}

std::string csvHeader() {
    std::string header = "motion,t_ms,since_ms,tick,min_threshold";
    for (const char* name : kCapNames) {
        header += ",";
        for (const char* c = name; *c != '\0'; ++c) {
            header += static_cast<char>(*c - 'A' + 'a');
        }
    }
    for (const char* column : kAnswerColumns) {
        header += std::string(",") + column;
    }
    return header + ",marks\n";
}

std::string csvLine(const PassRow& row) {
    std::string line = std::to_string(row.motion) + "," + std::to_string(row.t) + "," +
                       std::to_string(row.since) + "," + std::to_string(row.tick) + "," +
                       std::to_string(row.threshold);
    for (short v : row.cap) {
        line += "," + std::to_string(v);
    }
    for (double v : row.answers) {
        line += "," + number(v);
    }
    std::string marks;
    for (const std::string& mark : row.marks) {
        marks += (marks.empty() ? "" : " | ") + mark;
    }
    return line + "," + csvField(marks) + "\n";
}

bool parseCsvLine(const std::string& line, PassRow& row) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (fields.size() < kFixedColumns + kAnswerCount) {
        const std::size_t comma = line.find(',', at);
        if (comma == std::string::npos) {
            return false;
        }
        fields.push_back(line.substr(at, comma - at));
        at = comma + 1;
    }
    std::vector<double> values;
    for (const std::string& field : fields) {
        char* end = nullptr;
        values.push_back(std::strtod(field.c_str(), &end));
        if (field.empty() || *end != '\0') {
            return false;
        }
    }
    row.motion = static_cast<int>(values[0]);
    row.t = static_cast<std::uint64_t>(values[1]);
    row.since = static_cast<std::uint64_t>(values[2]);
    row.tick = static_cast<int>(values[3]);
    row.threshold = static_cast<int>(values[4]);
    for (int i = 0; i < 6; ++i) {
        row.cap[i] = static_cast<short>(values[5 + i]);
    }
    for (int i = 0; i < kAnswerCount; ++i) {
        row.answers[i] = values[kFixedColumns + i];
    }
    std::string marks = line.substr(at);
    while (!marks.empty() && (marks.back() == '\n' || marks.back() == '\r')) {
        marks.pop_back();
    }
    if (marks.size() >= 2 && marks.front() == '"' && marks.back() == '"') {
        std::string plain;
        for (std::size_t i = 1; i + 1 < marks.size(); ++i) {
            plain += marks[i];
            i += marks[i] == '"' ? 1 : 0;
        }
        marks = plain;
    }
    row.marks.clear();
    for (std::size_t start = 0; !marks.empty() && start <= marks.size();) {
        const std::size_t end = marks.find(" | ", start);
        row.marks.push_back(marks.substr(start, end - start));
        start = end == std::string::npos ? marks.size() + 1 : end + 3;
    }
    return true;
}

MotionChart::MotionChart() {
    clear(0, 0);
}

void MotionChart::clear(int motion, std::uint64_t start) {
    mMotion = motion;
    mStart = start;
    mEnd = 0;
    mRows = 0;
    mBucketMs = 1;
    mThreshold = 0;
    for (auto& series : mSeries) {
        series.assign(kBuckets, Bucket{});
    }
    mPasses.assign(kBuckets, Passes{});
    mOccurred.fill(false);
    mTotals = noAnswer();
    mMarks.clear();
    mMarksLeftOut = 0;
}

std::size_t MotionChart::bucketOf(std::uint64_t since) {
    // Twice as long buckets, neighbours merged, until the time fits.
    while (since / mBucketMs >= kBuckets) {
        for (auto& series : mSeries) {
            for (std::size_t i = 0; i < kBuckets / 2; ++i) {
                const Bucket& a = series[2 * i];
                const Bucket& b = series[2 * i + 1];
                Bucket merged = a.used ? a : b;
                if (a.used && b.used) {
                    merged.last = b.last;
                    merged.low = std::min(a.low, b.low);
                    merged.high = std::max(a.high, b.high);
                }
                series[i] = merged;
            }
            std::fill(series.begin() + kBuckets / 2, series.end(), Bucket{});
        }
        for (std::size_t i = 0; i < kBuckets / 2; ++i) {
            const Passes& a = mPasses[2 * i];
            const Passes& b = mPasses[2 * i + 1];
            mPasses[i] = {a.count + b.count, a.count ? a.first : b.first,
                          b.count ? b.last : a.last};
        }
        std::fill(mPasses.begin() + kBuckets / 2, mPasses.end(), Passes{});
        mBucketMs *= 2;
    }
    return static_cast<std::size_t>(since / mBucketMs);
}

void MotionChart::add(const PassRow& row) {
    const std::size_t at = bucketOf(row.since);
    Passes& passes = mPasses[at];
    passes.first = passes.count ? passes.first : row.since;
    passes.last = row.since;
    ++passes.count;
    for (int s = 0; s < kSeries; ++s) {
        const double v = s < 6 ? row.cap[s] : row.answers[s - 6];
        Bucket& b = mSeries[s][at];
        if (!b.used) {
            b = {true, v, v, v, v};
        } else {
            b.last = v;
            b.low = std::min(b.low, v);
            b.high = std::max(b.high, v);
        }
        mOccurred[s] = mOccurred[s] || v != (s >= 6 && isFactor(s - 6) ? 1.0 : 0.0);
    }
    for (int i = 0; i < kAnswerCount; ++i) {
        mTotals[i] = isFactor(i) ? mTotals[i] * row.answers[i] : mTotals[i] + row.answers[i];
    }
    // A mark that stands on pass after pass (a view held at its limit)
    // is one mark from its first pass.
    for (const std::string& text : row.marks) {
        auto run = std::find_if(mMarks.begin(), mMarks.end(), [&](const Mark& m) {
            return m.text == text && m.lastRow + 1 == mRows;
        });
        if (run != mMarks.end()) {
            run->lastRow = mRows;
        } else if (mMarks.size() < kMaxMarks) {
            mMarks.push_back({row.since, text, mRows});
        } else {
            ++mMarksLeftOut;
        }
    }
    mThreshold = row.threshold;
    mEnd = row.since;
    ++mRows;
}

namespace {

struct Frame {
    double span;  // ms across the plot
    double x(double since) const { return kLeft + since / span * kPlotWidth; }
};

// Values from `low` to `high` over `height` pixels from `top`; worked out
// on values shrunk into [-1, 1], so that no range is too wide for a double.
struct Range {
    Range(double low, double high, double top, double height)
        : mScale(std::max({std::fabs(low), std::fabs(high), 1e-300})),
          mLow(low / mScale),
          mHigh(high / mScale),
          mTop(top),
          mHeight(height) {
        if (!(mHigh > mLow)) {
            mLow -= 1;
            mHigh += 1;
        }
        const double pad = (mHigh - mLow) * 0.08;
        mLow -= pad;
        mHigh += pad;
    }
    double y(double v) const {
        return mTop + mHeight - (v / mScale - mLow) / (mHigh - mLow) * mHeight;
    }

private:
    double mScale, mLow, mHigh, mTop, mHeight;
};

}  // namespace

// Draws the buckets of series `s` as one polyline: each bucket's first,
// largest, least and last value of its passes.
struct ChartDrawing {
    static void line(std::ostringstream& svg, const MotionChart& chart, int s, const Frame& frame,
                     const Range& range, const char* colour, const char* dash, double width,
                     double opacity) {
        if (!chart.mOccurred[s]) {
            return;  // the panel's zero line (or 1 of a factor) shows it
        }
        // Points in pixels; one that continues a level run moves its end.
        std::vector<std::pair<std::string, std::string>> points;
        const auto add = [&](double x, double value) {
            std::pair<std::string, std::string> p{px(x), px(range.y(value))};
            const std::size_t n = points.size();
            if (n >= 2 && points[n - 1].second == p.second && points[n - 2].second == p.second) {
                points.back() = std::move(p);
            } else if (n == 0 || points.back() != p) {
                points.push_back(std::move(p));
            }
        };
        for (std::size_t i = 0; i < MotionChart::kBuckets; ++i) {
            const MotionChart::Bucket& b = chart.mSeries[s][i];
            if (!b.used) {
                continue;
            }
            const MotionChart::Passes& p = chart.mPasses[i];
            const double x0 = frame.x(static_cast<double>(p.first));
            const double x1 = frame.x(static_cast<double>(p.last));
            add(x0, b.first);
            if (p.count > 2) {
                add((x0 + x1) / 2, b.high);
                add((x0 + x1) / 2, b.low);
            }
            add(x1, b.last);
        }
        svg << "<polyline points=\"";
        for (const auto& [x, y] : points) {
            svg << x << "," << y << " ";
        }
        svg << "\" fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"" << width << "\"";
        if (*dash != '\0') {
            svg << " stroke-dasharray=\"" << dash << "\"";
        }
        if (opacity < 1) {
            svg << " stroke-opacity=\"" << opacity << "\"";
        }
        svg << "/>\n";
    }

    // A sample of a line and its name, right of the plot.
    static void legend(std::ostringstream& svg, double y, const char* colour, const char* dash,
                       const char* name) {
        const double x = kLeft + kPlotWidth + 6;
        svg << "<line x1=\"" << x << "\" y1=\"" << px(y) << "\" x2=\"" << x + 22 << "\" y2=\""
            << px(y) << "\" stroke=\"" << colour << "\" stroke-width=\"1.8\"";
        if (*dash != '\0') {
            svg << " stroke-dasharray=\"" << dash << "\"";
        }
        svg << "/><text x=\"" << x + 26 << "\" y=\"" << px(y + 4) << "\">" << name << "</text>\n";
    }

    static void extent(const MotionChart& chart, int s, double& low, double& high) {
        for (const MotionChart::Bucket& b : chart.mSeries[s]) {
            if (b.used) {
                low = std::min(low, b.low);
                high = std::max(high, b.high);
            }
        }
    }
};

std::string MotionChart::svg(const std::string& name, const MotionChart* other,
                             const std::string& otherName) const {
    const MotionChart* charts[2] = {this, other};
    std::vector<const Strip*> strips;
    for (const Strip& strip : kStrips) {
        bool occurred = false;
        for (const MotionChart* chart : charts) {
            for (int k = 0; chart && k < strip.count; ++k) {
                occurred = occurred || chart->mOccurred[6 + strip.series[k]];
            }
        }
        if (occurred) {
            strips.push_back(&strip);
        }
    }
    const double stripsTop = kCapTop + kCapHeight + 24;
    const double bottom = stripsTop + static_cast<double>(std::max<std::size_t>(strips.size(), 1)) *
                                          (kStripHeight + kStripGap);
    const int height = static_cast<int>(bottom + 34);
    double span = static_cast<double>(std::max<std::uint64_t>(mEnd, 1));
    if (other) {
        span = std::max(span, static_cast<double>(other->mEnd));
    }
    const Frame frame{span};

    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" width=\"" << kChartWidth
        << "\" height=\"" << height << "\" viewBox=\"0 0 " << kChartWidth << " " << height
        << "\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<rect width=\"" << kChartWidth << "\" height=\"" << height << "\" fill=\"#fff\"/>\n";
    svg << "<text x=\"8\" y=\"16\" font-size=\"13\" fill=\"#222\">motion " << mMotion << ": "
        << mRows << " passes in " << mEnd << " ms from t = " << mStart << " ms"
        << (name.empty() ? "" : " (" + escapeXml(name) + ")") << "</text>\n";
    if (!otherName.empty()) {
        svg << "<text x=\"8\" y=\"32\" fill=\"#555\">thin grey lines: " << escapeXml(otherName)
            << ", "
            << (other ? "motion " + std::to_string(other->mMotion) + ": " +
                            std::to_string(other->mRows) + " passes in " +
                            std::to_string(other->mEnd) + " ms, minThreshold " +
                            std::to_string(other->mThreshold)
                      : "which has no motion " + std::to_string(mMotion))
            << "</text>\n";
    }

    // The cap: its six values, symmetric about 0, with the threshold's band.
    double reach = std::max(1, mThreshold);
    for (const MotionChart* chart : charts) {
        for (int s = 0; chart && s < 6; ++s) {
            double low = 0, high = 0;
            ChartDrawing::extent(*chart, s, low, high);
            reach = std::max({reach, -low, high});
        }
    }
    reach = niceCeil(reach * 1.25);  // room for the panel's words above the lines
    const Range cap{-reach, reach, kCapTop, kCapHeight};
    svg << "<rect x=\"" << kLeft << "\" y=\"" << kCapTop << "\" width=\"" << kPlotWidth
        << "\" height=\"" << kCapHeight << "\" fill=\"#fafafa\" stroke=\"#999\"/>\n";
    if (mThreshold > 0) {
        svg << "<rect x=\"" << kLeft << "\" y=\"" << px(cap.y(mThreshold)) << "\" width=\""
            << kPlotWidth << "\" height=\"" << px(cap.y(-mThreshold) - cap.y(mThreshold))
            << "\" fill=\"#d9d9d9\" fill-opacity=\"0.7\"/>\n";
    }
    svg << "<text x=\"" << kLeft + 4 << "\" y=\"" << kCapTop + 12
        << "\" fill=\"#555\">cap, device units per pass; grey band: minThreshold " << mThreshold
        << "</text>\n";
    for (double v : {-reach, 0.0, reach}) {
        svg << "<text x=\"" << kLeft - 4 << "\" y=\"" << px(cap.y(v) + 4)
            << "\" text-anchor=\"end\" fill=\"#555\">" << brief(v) << "</text>\n";
    }
    svg << "<line x1=\"" << kLeft << "\" y1=\"" << px(cap.y(0)) << "\" x2=\"" << kLeft + kPlotWidth
        << "\" y2=\"" << px(cap.y(0)) << "\" stroke=\"#bbb\"/>\n";
    for (int pass = 1; pass >= 0; --pass) {
        for (int s = 0; charts[pass] && s < 6; ++s) {
            ChartDrawing::line(svg, *charts[pass], s, frame, cap, pass ? "#999" : kCapColours[s],
                               kCapDashes[s], pass ? 1.0 : 1.8, pass ? 0.8 : 1.0);
        }
    }
    for (int s = 0; s < 6; ++s) {
        ChartDrawing::legend(svg, kCapTop + 10 + 13 * s, kCapColours[s], kCapDashes[s],
                             kCapNames[s]);
    }

    // The answers: a strip for each kind the view gave, on its own scale.
    if (strips.empty()) {
        svg << "<text x=\"" << kLeft + 4 << "\" y=\"" << stripsTop + 30
            << "\" fill=\"#555\">no answer: the view did not move</text>\n";
    }
    for (std::size_t i = 0; i < strips.size(); ++i) {
        const Strip& strip = *strips[i];
        const double top = stripsTop + static_cast<double>(i) * (kStripHeight + kStripGap);
        const double neutral = isFactor(strip.series[0]) ? 1.0 : 0.0;
        double low = neutral, high = neutral;
        for (const MotionChart* chart : charts) {
            for (int k = 0; chart && k < strip.count; ++k) {
                ChartDrawing::extent(*chart, 6 + strip.series[k], low, high);
            }
        }
        // Room for the strip's title above its lines.
        const Range range{low, high, top + 16, kStripHeight - 18};
        svg << "<rect x=\"" << kLeft << "\" y=\"" << px(top) << "\" width=\"" << kPlotWidth
            << "\" height=\"" << kStripHeight << "\" fill=\"#fafafa\" stroke=\"#999\"/>\n"
            << "<line x1=\"" << kLeft << "\" y1=\"" << px(range.y(neutral)) << "\" x2=\""
            << kLeft + kPlotWidth << "\" y2=\"" << px(range.y(neutral)) << "\" stroke=\"#bbb\"/>\n";
        std::string totals;
        for (int k = 0; k < strip.count; ++k) {
            const int a = strip.series[k];
            totals += std::string(k ? ", " : "") + (strip.count > 1 ? strip.labels[k] : "") +
                      (strip.count > 1 ? " " : "") + (isFactor(a) ? "x" : "") + brief(mTotals[a]) +
                      (other ? " (other " + std::string(isFactor(a) ? "x" : "") +
                                   brief(other->mTotals[a]) + ")"
                             : "");
        }
        svg << "<text x=\"" << kLeft + 4 << "\" y=\"" << px(top + 12) << "\" fill=\"#555\">"
            << strip.title << ", " << strip.unit << " per pass; "
            << (isFactor(strip.series[0]) ? "product " : "sum ") << escapeXml(totals)
            << "</text>\n";
        for (double v : {low, high}) {
            svg << "<text x=\"" << kLeft - 4 << "\" y=\"" << px(range.y(v) + 4)
                << "\" text-anchor=\"end\" fill=\"#555\">" << brief(v) << "</text>\n";
        }
        for (int pass = 1; pass >= 0; --pass) {
            for (int k = 0; charts[pass] && k < strip.count; ++k) {
                ChartDrawing::line(svg, *charts[pass], 6 + strip.series[k], frame, range,
                                   pass ? "#999" : kStripColours[k], kStripDashes[k],
                                   pass ? 1.0 : 1.8, pass ? 0.8 : 1.0);
            }
        }
        for (int k = 0; k < strip.count; ++k) {
            ChartDrawing::legend(svg, top + 10 + 13 * k, kStripColours[k], kStripDashes[k],
                                 strip.labels[k]);
        }
    }

    // Time: ticks at round numbers of ms, and a tick for each pass.
    const double axisY = bottom - kStripGap + 6;
    const double step = niceCeil(span / 6);
    svg << "<g fill=\"#555\" text-anchor=\"middle\">\n";
    for (double t = 0; t <= span + step * 1e-9; t += step) {
        svg << "<line x1=\"" << px(frame.x(t)) << "\" y1=\"" << px(axisY) << "\" x2=\""
            << px(frame.x(t)) << "\" y2=\"" << px(axisY + 5) << "\" stroke=\"#555\"/>"
            << "<text x=\"" << px(frame.x(t)) << "\" y=\"" << px(axisY + 16) << "\">" << brief(t)
            << "</text>\n";
    }
    svg << "<text x=\"" << kLeft + kPlotWidth / 2 << "\" y=\"" << px(axisY + 29)
        << "\">ms since the motion's first pass; a short tick below the cap for each pass</text>"
        << "\n</g>\n<path d=\"";
    for (std::size_t i = 0; i < kBuckets; ++i) {
        if (mPasses[i].count > 0) {
            svg << "M" << px(frame.x(static_cast<double>(mPasses[i].first))) << " "
                << kCapTop + kCapHeight << "v5";
        }
    }
    svg << "\" stroke=\"#333\"/>\n";

    // Marks across every panel, their words above the cap where there is room.
    double rightEnd[3] = {0, 0, 0};
    for (std::size_t i = 0; i < mMarks.size(); ++i) {
        const Mark& mark = mMarks[i];
        const double x = frame.x(static_cast<double>(mark.since));
        // Marks of one pass are told in one label.
        std::string words = mark.text;
        for (; i + 1 < mMarks.size() && mMarks[i + 1].since == mark.since; ++i) {
            words += ", " + mMarks[i + 1].text;
        }
        svg << "<line class=\"mark\" x1=\"" << px(x) << "\" y1=\"" << kCapTop - 4 << "\" x2=\""
            << px(x) << "\" y2=\"" << px(bottom - kStripGap) << "\" stroke=\"#555\" "
            << "stroke-dasharray=\"1 3\"><title>" << escapeXml(words) << "</title></line>\n";
        const std::string text = words.size() > 40 ? words.substr(0, 39) + "..." : words;
        // Near the right edge the words end at the mark.
        const double width = 6.3 * static_cast<double>(text.size());
        const double left = std::min(x + 2, kChartWidth - 2 - width);
        int row = 0;
        while (row < 3 && rightEnd[row] > left) {
            ++row;
        }
        if (row < 3) {
            svg << "<text x=\"" << px(left) << "\" y=\"" << kCapTop - 30 + 11 * row
                << "\" fill=\"#333\">" << escapeXml(text) << "</text>\n";
            rightEnd[row] = left + width + 6;
        }
    }
    if (mMarksLeftOut > 0) {
        svg << "<text x=\"" << kChartWidth - 8 << "\" y=\"16\" text-anchor=\"end\" fill=\"#555\">"
            << mMarksLeftOut << " more marks in the CSV</text>\n";
    }
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace qxsim
