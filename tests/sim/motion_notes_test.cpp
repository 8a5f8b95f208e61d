// Motions pass by pass: a row for each pass from the first deflected to the
// release, what came marked where it came, captions whose amounts are the
// rows' totals, and a chart that keeps a long motion's extremes in fixed
// memory.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "motion_notes.h"

namespace qxsim {
namespace {

std::string viewLine(const char* ev, const Camera& c) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"t\":1,\"ev\":\"%s\",\"vp\":2,\"position\":[%.17g,%.17g,%.17g],"
                  "\"target\":[%.17g,%.17g,%.17g],\"up\":[%.17g,%.17g,%.17g],\"width\":%.17g,"
                  "\"height\":%.17g,\"perspective\":%s}",
                  ev, c.position.x, c.position.y, c.position.z, c.target.x, c.target.y, c.target.z,
                  c.up.x, c.up.y, c.up.z, c.width, c.height, c.perspective ? "true" : "false");
    return text;
}

// Looking along +Y at the origin from 100 units, Z up.
struct World : WorldProbe {
    Camera camera{{0, -100, 0}, {0, 0, 0}, {0, 0, 1}, 200, 150, false};
    PaperState paper{100, 50, 150};
    bool inPaper = false;
    std::optional<Vec3> selection;
    std::vector<Vec3> centres{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}};
    long long lines = 0;

    Camera modelView() const override { return camera; }
    PaperState paperView() const override { return paper; }
    bool paperSpace() const override { return inPaper; }
    std::optional<Vec3> selectionCentre() const override { return selection; }
    std::optional<Vec3> entityCentre(int id) const override { return centres.at(id); }
    long long listLines() const override { return lines; }
};

struct Told {
    std::vector<PassRow> rows;
    std::vector<std::vector<std::string>> notes;
    MotionCourse::Listener listener() {
        return {{},
                [this](const PassRow& row) { rows.push_back(row); },
                [this](int, const std::vector<std::string>& n) { notes.push_back(n); }};
    }
};

constexpr std::array<short, 6> kTwist{0, 0, 0, 0, 200, 0};
constexpr std::array<short, 6> kRest{};

// `p` turned by `degrees` about the Z axis through `centre`.
Vec3 turnedAboutZ(Vec3 p, Vec3 centre, double degrees) {
    const double a = degrees * std::acos(-1.0) / 180.0;
    const Vec3 d = p - centre;
    return centre +
           Vec3{d.x * std::cos(a) - d.y * std::sin(a), d.x * std::sin(a) + d.y * std::cos(a), d.z};
}

TEST(MotionCourse, CaptionsTellTheTotalsOfTheRows) {
    World world;
    world.selection = Vec3{10, 0, 0};
    Told told;
    MotionCourse course(world, told.listener());
    const auto pass = [&](std::uint64_t t, const std::array<short, 6>& cap,
                          const std::string& line) {
        course.passBegins(t);
        course.capRead(cap);
        course.read(line);
    };
    // Two passes of 45 degrees about the selection, one that pans and zooms
    // in, and the release writes the view back.
    const Camera start = world.camera;
    for (int i = 1; i <= 2; ++i) {
        Camera c = start;
        c.position = turnedAboutZ(start.position, {10, 0, 0}, 45 * i);
        c.target = turnedAboutZ(start.target, {10, 0, 0}, 45 * i);
        pass(100 + 16 * i, kTwist, viewLine("view", c));
        world.camera = c;
    }
    Camera panned = world.camera;
    const Vec3 right{0, 1, 0};  // the camera's right after the turn, looking along -X
    panned.position = panned.position + 12.5 * right;
    panned.target = panned.target + 12.5 * right;
    panned.width /= 2;
    panned.height /= 2;
    pass(148, kTwist, viewLine("view", panned));
    world.camera = panned;
    pass(164, kRest, viewLine("view_saved", panned));
    EXPECT_TRUE(told.notes.empty()) << "the release pass ends with the next";
    course.settle();
    ASSERT_EQ(told.notes.size(), 1u);
    EXPECT_EQ(told.notes[0], std::vector<std::string>{
                                 "orbit 90.0 deg about the selection's centre (10.0, 0.0, 0.0), "
                                 "around z; pan 12.5 units left; zoom x2.0"});
    ASSERT_EQ(told.rows.size(), 4u);
    EXPECT_EQ(told.rows[3].since, 48u);
    EXPECT_NEAR(told.rows[0].answers[kOrbit] + told.rows[1].answers[kOrbit], 90.0, 1e-9);
    EXPECT_EQ(course.chart().totals()[kZoom], 2.0);

    // Paper space and object move: the paper view went right and out to
    // the limit, entities 1 and 2 moved alike over two passes.
    world.inPaper = true;
    pass(300, {100, 0, 0, 0, 0, 0},
         R"({"t":300,"ev":"paper_view","center":[110,50],"height":1.5e11})");
    world.paper = {110, 50, 1.5e11};
    const char* shift = "[1,0,0,5,0,1,0,2,0,0,1,1,0,0,0,1]";
    pass(316, {100, 0, 0, 0, 0, 0},
         R"({"t":316,"ev":"entity","id":1,"matrix":)" + std::string(shift) + "}");
    course.read(R"({"t":316,"ev":"entity","id":2,"matrix":)" + std::string(shift) + "}");
    world.centres = {{0, 0, 0}, {15, 2, 1}, {25, 2, 1}};
    pass(332, {100, 0, 0, 0, 0, 0},
         R"({"t":332,"ev":"entity","id":2,"matrix":)" + std::string(shift) + "}");
    course.read(R"({"t":332,"ev":"entity","id":1,"matrix":)" + std::string(shift) + "}");
    world.centres = {{0, 0, 0}, {20, 4, 2}, {30, 4, 2}};
    pass(348, kRest, "");
    // Entity 0 turned a quarter about its own centre, (20, 4, 2): not moved.
    world.centres[0] = {20, 4, 2};
    pass(400, {100, 0, 0, 0, 0, 0},
         R"({"t":400,"ev":"entity","id":0,"matrix":[0,-1,0,24,1,0,0,-16,0,0,1,0,0,0,0,1]})");
    pass(416, kRest, "");
    course.finish();
    ASSERT_EQ(told.notes.size(), 3u);
    EXPECT_EQ(told.notes[1],
              (std::vector<std::string>{"paper pan 10.0 units left; paper zoom x1e-09",
                                        "entities 1 2 moved by (10.0, 4.0, 2.0)"}));
    EXPECT_EQ(told.notes[2], std::vector<std::string>{"entity 0 turned 90.0 deg"});

    // A level walk of a perspective camera that looks down: its frame's up is
    // not the world's, so the caption says whose up, and that the height
    // stayed; and a zoom of 3% is not rounded away to x1.0.
    World high;
    high.camera = {{0, -100, 50}, {0, 0, 0}, {0, 0, 1}, 200, 150, true};
    Told walkTold;
    MotionCourse walk(high, walkTold.listener());
    Camera walked = high.camera;
    walked.position = walked.position + Vec3{0, 40, 0};
    walked.target = walked.target + Vec3{0, 40, 0};
    walked.width /= 1.03;  // a small zoom still reads as one
    walked.height /= 1.03;
    walk.passBegins(100);
    walk.capRead({0, -200, 0, 0, 0, 0});
    walk.read(viewLine("view", walked));
    high.camera = walked;
    walk.passBegins(116);
    walk.capRead(kRest);
    walk.read(viewLine("view_saved", walked));
    walk.settle();
    ASSERT_EQ(walkTold.notes.size(), 1u);
    EXPECT_EQ(walkTold.notes[0],
              std::vector<std::string>{
                  "camera moved 35.8 units forward, 17.9 along the camera's up, height unchanged; "
                  "zoom x1.03"});
}

TEST(MotionCourse, RowsMarkWhatCameAndWhatTheThresholdHeldBack) {
    World world;
    Told told;
    MotionCourse course(world, told.listener());
    course.setThreshold(50);
    course.read(R"({"t":0,"ev":"timer","ms":100})");
    // At rest no motion: nothing told, the mark on that pass forgotten.
    course.passBegins(0);
    course.mark("command QX_Toggle_Scroll_Mode");
    course.capRead(kRest);
    course.settle();
    course.mark("key top");  // between passes: the next one's
    course.passBegins(100);
    course.capRead({0, 0, 0, 0, 30, 0});
    course.passBegins(200);
    course.capRead(kTwist);
    course.mark("daemon down");
    course.read(R"({"t":201,"ev":"timer","ms":10})");
    course.passBegins(211);
    course.capRead({0, 0, 0, 0, -30, 0});
    course.read(R"({"t":212,"ev":"timer","ms":100})");
    course.passBegins(312);
    course.capRead(kRest);
    course.settle();
    ASSERT_EQ(told.rows.size(), 4u);
    const std::vector<std::vector<std::string>> marks = {
        {"key top", "within minThreshold 50"},
        {"daemon down", "timer every 10 ms"},
        {"timer every 100 ms", "within minThreshold 50"},
        {"release"}};
    for (std::size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(told.rows[i].marks, marks[i]) << i;
        EXPECT_EQ(told.rows[i].tick, i < 2 ? 1 : static_cast<int>(i)) << i;
    }
    EXPECT_EQ(told.rows[0].cap[4], 30);
    EXPECT_EQ(told.rows[3].since, 212u);
    // The module keeps its threshold within 0..32767.
    course.setThreshold(40000);
    course.passBegins(400);
    course.capRead({32767, 0, 0, 0, 0, 0});
    course.finish();
    EXPECT_EQ(told.rows.back().marks, std::vector<std::string>{"within minThreshold 32767"});
}

TEST(MotionChart, KeepsALongMotionsExtremesInFixedSpaceAndItsRowsInCsv) {
    MotionChart chart;
    chart.clear(7, 1000);
    PassRow row;
    row.motion = 7;
    row.answers = noAnswer();
    for (std::uint64_t i = 0; i < 1000000; ++i) {
        row.t = 1000 + i;
        row.since = i;
        row.cap[4] = static_cast<short>(i == 500000 ? -32768 : static_cast<int>(i % 997));
        row.answers[kOrbit] = i == 1000 ? 2000.0 : 0.5;
        // Marks on passes one after the other: each told once, from its first.
        row.marks = i == 3            ? std::vector<std::string>{"key top"}
                    : i >= 4 && i < 9 ? std::vector<std::string>{"held at the view's limits"}
                                      : std::vector<std::string>{};
        chart.add(row);
    }
    const std::string svg = chart.svg();
    const auto count = [&](const std::string& part) {
        int n = 0;
        for (std::size_t at = svg.find(part); at != std::string::npos;
             at = svg.find(part, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("<title>key top</title>"), 1);
    EXPECT_EQ(count("<title>held at the view's limits</title>"), 1);
    EXPECT_NE(svg.find(">orbit</text>"), std::string::npos) << "the orbit's legend";
    // Time runs left to right inside the plot, every value inside its panel.
    std::istringstream points(svg.substr(svg.find("points=\"") + 8));
    double x = 0, y = 0, lastX = 64;
    char comma;
    for (int n = 0; points >> x >> comma >> y; ++n) {
        EXPECT_GE(x, lastX) << n;
        EXPECT_LE(x, kChartWidth - 80) << n;
        EXPECT_GT(y, 84) << n;
        EXPECT_LT(y, 84 + 150) << n;
        lastX = x;
    }
    EXPECT_GT(lastX, kChartWidth - 81) << "the line reaches the motion's end";
    // The orbit's spike stands at its time, through every merge of buckets.
    std::istringstream orbit(svg.substr(svg.find("points=\"", svg.find(">orbit, deg")) + 8));
    double top = 1e9, topX = 0;
    while (orbit >> x >> comma >> y) {
        if (y < top) {
            top = y;
            topX = x;
        }
    }
    EXPECT_NEAR(topX, 64 + 0.001 * (kChartWidth - 64 - 80), 0.6) << "within half a bucket";
    EXPECT_LT(svg.size(), 100000u);
    EXPECT_NE(svg.find("motion 7: 1000000 passes in 999999 ms from t = 1000 ms"),
              std::string::npos);
    EXPECT_NE(svg.find(">2000<"), std::string::npos) << "the orbit's spike sets its scale";
    EXPECT_NE(svg.find(">-5e+04<"), std::string::npos) << "the cap's spike sets its scale";
    EXPECT_NEAR(chart.totals()[kOrbit], 0.5 * 999999 + 2000.0, 1e-3);

    row.marks = {"host ran: 'say \"a, b\"", "release"};
    row.cap = {1, -2, 3, -4, 5, -6};
    row.answers[kPanUp] = -1.0 / 3;
    PassRow back;
    ASSERT_TRUE(parseCsvLine(csvLine(row), back));
    EXPECT_EQ(back.marks, row.marks);
    EXPECT_EQ(back.answers, row.answers);
    EXPECT_EQ(back.cap, row.cap);
    EXPECT_EQ(csvHeader().substr(0, 40), "motion,t_ms,since_ms,tick,min_threshold,");
}

}  // namespace
}  // namespace qxsim
