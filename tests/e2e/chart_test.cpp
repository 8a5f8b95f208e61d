// qxsim --render: a chart and a CSV file of each motion's passes. Their rows
// are the passes the transcript shows, with the cap the scenario gave; a
// caption's amounts are its columns' sums; what came during a motion is
// marked; --compare draws another run's motion under each chart.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "e2e_support.h"

namespace e2e {
namespace {
namespace fs = std::filesystem;

// A motion's CSV: its columns by name, a row each pass.
struct Csv {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;

    double at(std::size_t row, const std::string& column) const {
        const auto c = std::find(columns.begin(), columns.end(), column) - columns.begin();
        return std::stod(rows.at(row).at(static_cast<std::size_t>(c)));
    }
    double sum(const std::string& column) const {
        double total = 0;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            total += at(r, column);
        }
        return total;
    }
    std::string marks() const {
        std::string all;
        for (const auto& row : rows) {
            all += row.back() + "\n";
        }
        return all;
    }
};

std::vector<std::string> splitCsv(const std::string& line, std::size_t columns) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (; fields.size() + 1 < columns; at = line.find(',', at) + 1) {
        fields.push_back(line.substr(at, line.find(',', at) - at));
    }
    fields.push_back(line.substr(at));  // the marks
    return fields;
}

Csv readCsv(const fs::path& path) {
    Csv csv;
    const std::vector<std::string> lines = readLines(path);
    if (lines.empty()) {
        return csv;
    }
    std::istringstream header(lines[0]);
    for (std::string column; std::getline(header, column, ',');) {
        csv.columns.push_back(column);
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        csv.rows.push_back(splitCsv(lines[i], csv.columns.size()));
    }
    return csv;
}

// The cap each device step of `scenario` leaves, by its time.
std::map<double, std::vector<double>> capsOf(const std::string& scenario) {
    std::map<double, std::vector<double>> caps;
    double t = 0;
    std::istringstream in(scenario);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string step;
        words >> step;
        std::vector<double> numbers;
        for (double v; words >> v;) {
            numbers.push_back(v);
        }
        if (step == "wait") {
            t += numbers.at(0);
        } else if (step == "cap" || step == "release") {
            caps[t] = step == "cap" ? numbers : std::vector<double>(6, 0.0);
        }
    }
    return caps;
}

// The view of a transcript line: its frame's axes (right, up, out) and its width.
struct View {
    std::array<std::array<double, 3>, 3> axes;
    double width;
};

View viewOf(const std::string& line) {
    const auto vec = [&](const std::string& key) {
        std::array<double, 3> v{};
        std::istringstream in(line.substr(line.find("\"" + key + "\":[") + key.size() + 4));
        char comma;
        in >> v[0] >> comma >> v[1] >> comma >> v[2];
        return v;
    };
    const auto unit = [](std::array<double, 3> v) {
        const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        return std::array<double, 3>{v[0] / n, v[1] / n, v[2] / n};
    };
    const auto p = vec("position"), t = vec("target"), u = vec("up");
    const auto out = unit({p[0] - t[0], p[1] - t[1], p[2] - t[2]});
    const double along = u[0] * out[0] + u[1] * out[1] + u[2] * out[2];
    const auto up = unit({u[0] - along * out[0], u[1] - along * out[1], u[2] - along * out[2]});
    const std::array<double, 3> right{up[1] * out[2] - up[2] * out[1],
                                      up[2] * out[0] - up[0] * out[2],
                                      up[0] * out[1] - up[1] * out[0]};
    return {{right, up, out}, numberField(line, "width")};
}

// Degrees of the turn from view a to view b.
double turnBetween(const View& a, const View& b) {
    double trace = 0;  // of B A^T
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            trace += b.axes[i][k] * a.axes[i][k];
        }
    }
    return std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180 / std::acos(-1.0);
}

// "15.4 units right, 2.0 up" as (15.4, 2.0); "left" and "down" negative.
std::pair<double, double> screenAmounts(const std::string& words) {
    static const std::regex kPart(R"((\d+\.\d+) (?:units )?(left|right|up|down))");
    std::pair<double, double> amounts{0, 0};
    for (std::sregex_iterator it(words.begin(), words.end(), kPart), end; it != end; ++it) {
        const double v = std::stod((*it)[1]);
        const std::string side = (*it)[2];
        (side == "left" || side == "right" ? amounts.first : amounts.second) =
            side == "left" || side == "down" ? -v : v;
    }
    return amounts;
}

// The first number after `pattern` in `text`.
std::optional<double> amount(const std::string& text, const std::string& pattern) {
    std::smatch m;
    if (!std::regex_search(text, m, std::regex(pattern))) {
        return std::nullopt;
    }
    return std::stod(m[1]);
}

// Checks the captions of a picture with one chart against that chart's
// columns; returns the kinds of amount checked.
std::vector<std::string> checkCaption(const std::string& caption, const Csv& csv) {
    std::vector<std::string> kinds;
    const auto near = [&](const char* kind, double printed, double sum) {
        EXPECT_NEAR(printed, sum, 0.051) << kind << " in: " << caption;
        kinds.push_back(kind);
    };
    // The words of one kind of a note, up to the next kind or line.
    const auto part = [&](const std::string& head) {
        std::smatch m;
        return std::regex_search(caption, m, std::regex("(?:&gt; |; )" + head + "([^;\n<]*)"))
                   ? m[1].str()
                   : std::string();
    };
    if (auto v = amount(caption, R"(orbit (\d+\.\d) deg)")) {
        near("orbit", *v, std::fabs(csv.sum("orbit_deg")));
    }
    if (const std::string pan = part("pan "); !pan.empty()) {
        near("pan", screenAmounts(pan).first, csv.sum("pan_right"));
        near("pan", screenAmounts(pan).second, csv.sum("pan_up"));
    }
    if (const std::string move = part("camera moved "); !move.empty()) {
        near("camera", amount(move, R"((\d+\.\d) units forward)").value_or(0),
             csv.sum("camera_forward"));
        near("camera", screenAmounts(move).first, csv.sum("camera_right"));
    }
    if (const std::string pan = part("paper pan "); !pan.empty()) {
        near("paper pan", screenAmounts(pan).first, csv.sum("paper_pan_right"));
    }
    for (const auto& [pattern, column] : {std::pair{R"((?:^|[^r] )zoom x(\d+\.\d+))", "zoom_x"},
                                          {R"(paper zoom x(\d+\.\d+))", "paper_zoom_x"}}) {
        if (auto v = amount(caption, pattern)) {
            double product = 1;
            for (std::size_t r = 0; r < csv.rows.size(); ++r) {
                product *= csv.at(r, column);
            }
            near(column, *v, product);  // factors multiply
        }
    }
    if (auto v = amount(caption, R"(moved by \((-?\d+\.\d),)")) {
        near("object move", *v, csv.sum("move_x"));
    }
    if (auto v = amount(caption, R"(turned (\d+\.\d) deg)")) {
        near("object turn", *v, std::fabs(csv.sum("turn_deg")));
    }
    std::smatch m;
    if (std::regex_search(caption, m, std::regex(R"(scrolled from line (\d+) to (\d+))"))) {
        near("scroll", std::stod(m[2]) - std::stod(m[1]), csv.sum("scroll_lines"));
    }
    return kinds;
}

TEST(Charts, TourMotionsAreTheTranscriptsPassesAndTheirCaptionsTheirColumnsSums) {
    RunSetup setup;
    setup.passScenario = false;
    setup.extraArgs = {"--render", "pictures"};
    SimRun run = runQxsim("", setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path dir = fs::path(run.dir) / "pictures";
    const std::map<double, std::vector<double>> caps =
        capsOf(readFile(QX_EXAMPLES_DIR "/tour.qxs"));
    std::vector<std::pair<double, std::string>> answers;  // the module's steps, in order
    std::vector<std::pair<double, View>> views;
    for (const std::string& line : run.transcript) {
        const std::string ev = textField(line, "ev");
        if (ev == "view" || ev == "view_saved" || ev == "paper_view" || ev == "entity" ||
            ev == "message") {
            answers.emplace_back(numberField(line, "t"), ev);
        }
        if (ev == "view") {
            views.emplace_back(numberField(line, "t"), viewOf(line));
        }
    }
    std::map<int, Csv> motions;
    for (int n = 1; fs::exists(
             dir / ("motion-" + std::string(n < 10 ? "00" : "0") + std::to_string(n) + ".csv"));
         ++n) {
        const Csv csv = readCsv(
            dir / ("motion-" + std::string(n < 10 ? "00" : "0") + std::to_string(n) + ".csv"));
        ASSERT_GE(csv.rows.size(), 2u) << n;
        const std::size_t last = csv.rows.size() - 1;
        for (std::size_t r = 0; r <= last; ++r) {
            // The cap the scenario gave last.
            const double t = csv.at(r, "t_ms");
            const std::vector<double>& cap = std::prev(caps.upper_bound(t))->second;
            for (int axis = 0; axis < 6; ++axis) {
                EXPECT_EQ(csv.at(r, csv.columns[5 + axis]), cap[axis]) << n << " at " << t;
            }
            // Each pass but the release is one the transcript shows: the
            // module's step comes before the next pass; the release moves
            // nothing (a 3D view is only written back).
            const double next = r < last ? csv.at(r + 1, "t_ms") : t + 2;
            const auto steps = std::count_if(answers.begin(), answers.end(), [&](const auto& a) {
                return a.first >= t && a.first < next && a.second != "view_saved";
            });
            EXPECT_EQ(steps > 0, r < last) << "motion " << n << ", pass at " << t;
        }
        // A 3D step draws the view once: one view a pass, and each pass's
        // turn and zoom are those from the view before to its own.
        std::vector<View> drawn;
        for (const auto& [t, view] : views) {
            if (t >= csv.at(0, "t_ms") && t < csv.at(last, "t_ms")) {
                drawn.push_back(view);
            }
        }
        EXPECT_TRUE(drawn.empty() || drawn.size() == last) << n << ": " << drawn.size();
        for (std::size_t r = 1; drawn.size() == last && r < last; ++r) {
            EXPECT_NEAR(std::fabs(csv.at(r, "orbit_deg")), turnBetween(drawn[r - 1], drawn[r]),
                        1e-5)
                << "motion " << n << " pass " << r;
            EXPECT_NEAR(csv.at(r, "zoom_x"), drawn[r - 1].width / drawn[r].width, 1e-12);
        }
        motions[n] = csv;
    }
    EXPECT_GE(motions.size(), 14u);

    // Each picture with one chart: its caption's amounts are the sums.
    const std::string index = readFile(dir / "index.html");
    std::map<std::string, int> checked;
    std::size_t at = 0;
    while ((at = index.find("<figure", at + 1)) != std::string::npos) {
        const std::string figure = index.substr(at, index.find("</figure>", at) - at);
        std::smatch m;
        if (countOf(figure, "class=\"chart\"") == 1 &&
            std::regex_search(figure, m, std::regex(R"(motion-(\d+)\.svg)"))) {
            for (const std::string& kind : checkCaption(figure, motions.at(std::stoi(m[1])))) {
                ++checked[kind];
            }
        }
    }
    for (const char* kind : {"orbit", "pan", "zoom_x", "camera", "paper pan", "paper_zoom_x",
                             "object move", "object turn", "scroll"}) {
        EXPECT_GT(checked[kind], 0) << kind;
    }
    removeRun(run);
}

TEST(Charts, MarkTheThresholdsHoldAKeyThatInterruptsAndALimitThatHoldsAZoom) {
    RunSetup setup;
    setup.extraArgs = {"--render", "pictures"};
    SimRun run = runQxsim(
        "setting minThreshold 50\ndrawing sample\n"
        "camera 0 0 100 0 0 0 0 1 0 4e-9 3e-9 parallel\nwait 200\n"
        "cap 0 0 0 0 30 0\nwait 300\ncap 0 0 0 0 200 0\nwait 300\nkey top\nwait 300\n"
        "release\nwait 300\n"
        "cap 0 0 2000 0 0 0\nwait 400\nrelease\nwait 300\n",
        setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path dir = fs::path(run.dir) / "pictures";
    const Csv turn = readCsv(dir / "motion-001.csv");
    ASSERT_GE(turn.rows.size(), 5u);
    // Held back, the cap turns nothing; then it turns the view.
    EXPECT_EQ(turn.rows[0].back(), "within minThreshold 50");
    EXPECT_EQ(turn.at(0, "ry"), 30);
    EXPECT_EQ(turn.at(0, "orbit_deg"), 0);
    EXPECT_GT(turn.at(turn.rows.size() - 2, "orbit_deg"), 0);
    const std::string marks = turn.marks();
    for (const char* mark : {"key top", "host ran: '_-VIEW _TOP", "timer every 10 ms",
                             "timer every 100 ms | release"}) {
        EXPECT_NE(marks.find(mark), std::string::npos) << mark << " in:\n" << marks;
    }
    const Csv zoom = readCsv(dir / "motion-002.csv");
    ASSERT_GE(zoom.rows.size(), 3u);
    EXPECT_GT(zoom.at(0, "zoom_x"), 1);
    EXPECT_EQ(zoom.at(zoom.rows.size() - 2, "zoom_x"), 1);
    EXPECT_NE(zoom.rows[zoom.rows.size() - 2].back().find("held at the view's limits"),
              std::string::npos);
    // The chart marks them too, and draws the threshold as a band about the cap's 0.
    const std::string chart = readFile(dir / "motion-001.svg") + readFile(dir / "motion-002.svg");
    std::smatch band, zero;
    ASSERT_TRUE(std::regex_search(
        chart, band,
        std::regex(R"re(y="([\d.]+)" width="\d+" height="([\d.]+)" fill="#d9d9d9")re")));
    ASSERT_TRUE(std::regex_search(chart, zero, std::regex(R"re(<line x1="64" y1="([\d.]+)")re")));
    EXPECT_NEAR(std::stod(band[1]) + std::stod(band[2]) / 2, std::stod(zero[1]), 0.1);
    for (const char* mark : {"<title>within minThreshold 50</title>", "<title>key top</title>",
                             "<title>held at the view's limits</title>"}) {
        EXPECT_NE(chart.find(mark), std::string::npos) << mark;
    }
    removeRun(run);
}

TEST(Charts, CompareDrawsTheOtherRunsMotionUnderEachChart) {
    RunSetup setup;
    setup.seedSettings = false;  // the module writes its own in each profile
    setup.extraArgs = {"--render", "pictures", "--compare", "faster.qxs"};
    const std::string motion =
        "drawing sample\nwait 200\ncap 0 0 0 0 200 0\nwait 400\nrelease\n"
        "wait 200\n";
    setup.prepare = [&](const std::string& dir) {
        writeFile(fs::path(dir) / "faster.qxs", "setting rotSensBase 1000\n" + motion);
        // An earlier comparison's second motion, which this one does not have.
        fs::create_directories(fs::path(dir) / "pictures" / "compared");
        writeFile(fs::path(dir) / "pictures" / "compared" / "motion-002.csv", "motion,t_ms\n");
    };
    SimRun run = runQxsim("setting rotSensBase 2000\n" + motion, setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path dir = fs::path(run.dir) / "pictures";
    EXPECT_FALSE(fs::exists(dir / "compared" / "motion-002.csv"));
    // Both started from the profile's files: half the base turns twice as far.
    const Csv slower = readCsv(dir / "motion-001.csv");
    const Csv faster = readCsv(dir / "compared" / "motion-001.csv");
    EXPECT_NEAR(faster.sum("orbit_deg") / slower.sum("orbit_deg"), 2.0, 0.05);
    const std::string chart = readFile(dir / "motion-001.svg");
    EXPECT_NE(chart.find("thin grey lines: faster.qxs, motion 1: "), std::string::npos);
    EXPECT_EQ(countOf(chart, "stroke-opacity=\"0.8\""), 2) << "its cap and its orbit";
    EXPECT_NE(readFile(dir / "index.html").find("over the same motion of faster.qxs"),
              std::string::npos);
    removeRun(run);

    // A profile without its settings folder would have the other run play
    // as an installed module and this one as one without the driver.
    setup.extraArgs = {"--profile", "bare", "--render", "pictures", "--compare", "faster.qxs"};
    SimRun bare = runQxsim(motion, setup);
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_NE(bare.err.find("--compare needs a profile with its settings folder"),
              std::string::npos)
        << bare.err;
    removeRun(bare);
}

}  // namespace
}  // namespace e2e
