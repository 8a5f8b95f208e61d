// Pixels of known world points through parallel and perspective cameras, in
// a 480 x 360 picture where a 200 x 150 field is drawn at 2.4 pixels a unit.

#include <gtest/gtest.h>

#include <limits>

#include "picture.h"
#include "projection.h"

namespace qxsim {
namespace {

constexpr double kTol = 1e-9;

Camera camera(Vec3 position, Vec3 up, bool perspective = false) {
    Camera c;
    c.position = position;
    c.target = {0, 0, 0};
    c.up = up;
    c.width = 200;
    c.height = 150;
    c.perspective = perspective;
    return c;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

void expectPixel(const Projector& p, Vec3 point, double x, double y) {
    std::optional<Pixel> pixel = p.project(point);
    ASSERT_TRUE(pixel) << point.x << "," << point.y << "," << point.z;
    EXPECT_NEAR(pixel->x, x, kTol) << point.x << "," << point.y << "," << point.z;
    EXPECT_NEAR(pixel->y, y, kTol) << point.x << "," << point.y << "," << point.z;
}

TEST(Projection, ParallelViewsFromSeveralSides) {
    struct Case {
        const char* name;
        Vec3 position, up;
        Vec3 rightward, upward;  // world directions that appear right and up
    };
    const Case cases[] = {
        {"top", {0, 0, 100}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}},
        {"bottom", {0, 0, -100}, {0, 1, 0}, {-1, 0, 0}, {0, 1, 0}},
        {"front", {0, -100, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}},
        {"right", {100, 0, 0}, {0, 0, 1}, {0, 1, 0}, {0, 0, 1}},
        {"back", {0, 100, 0}, {0, 0, 1}, {-1, 0, 0}, {0, 0, 1}},
        // The same top view with the picture turned: world +X is up.
        {"top, twisted", {0, 0, 100}, {1, 0, 0}, {0, -1, 0}, {1, 0, 0}},
        // An up vector that leans towards the camera still means screen up.
        {"top, leaning up", {0, 0, 100}, {0, 1, 1}, {1, 0, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Projector p(camera(c.position, c.up), 480, 360);
        ASSERT_TRUE(p.valid());
        expectPixel(p, {0, 0, 0}, 240, 180);
        // 10 right and 20 up; depth along the line of sight does not count.
        const Vec3 point = 10.0 * c.rightward + 20.0 * c.upward + 0.3 * c.position;
        expectPixel(p, point, 264, 132);
    }
}

TEST(Projection, PerspectiveScalesByDistanceAndDropsWhatIsBehind) {
    const Projector p(camera({0, 0, 100}, {0, 1, 0}, true), 480, 360);
    expectPixel(p, {10, 20, 0}, 264, 132);  // at the target: as in parallel
    expectPixel(p, {10, 20, 50}, 288, 84);  // half way: twice as far out
    expectPixel(p, {10, 20, -100}, 252, 156);
    EXPECT_FALSE(p.project({10, 20, 100}));  // in the camera's plane
    EXPECT_FALSE(p.project({0, 0, 150}));    // behind it

    Pixel a, b;
    EXPECT_FALSE(p.projectSegment({0, 0, 120}, {5, 5, 150}, a, b));
    ASSERT_TRUE(p.projectSegment({10, 20, 50}, {10, 20, 200}, a, b));
    EXPECT_NEAR(a.x, 288, kTol);
    EXPECT_NEAR(a.y, 84, kTol);
    EXPECT_GT(b.x, 480) << "the cut end lies just in front of the camera, far outside";
}

TEST(Picture, DrawsEntitiesWhereTheyProjectAndHighlightsTheSelection) {
    Scene scene;
    scene.camera = camera({0, 0, 100}, {0, 1, 0});
    SceneEntity line;
    line.start = {10, 20, 0};
    line.end = {-10, -20, 0};
    SceneEntity circle;
    circle.kind = SceneEntity::Kind::Circle;
    circle.start = {0, 0, 0};
    circle.radius = 10;
    circle.selected = true;
    scene.entities = {line, circle};
    const std::string svg = renderSvg(scene);

    EXPECT_NE(svg.find("<path d=\"M264.00 132.00L216.00 228.00\" fill=\"none\" stroke=\"#1d3557\""),
              std::string::npos)
        << svg;
    // The circle starts on its rim at -Y (24 pixels below the middle), drawn in
    // the highlight colour after the others.
    const std::size_t circleAt = svg.find("<path d=\"M240.00 204.00L");
    ASSERT_NE(circleAt, std::string::npos) << svg;
    EXPECT_NE(svg.find("stroke=\"#e76f51\"", circleAt), std::string::npos);
    EXPECT_GT(circleAt, svg.find("#1d3557"));
    EXPECT_NE(svg.find(">parallel<"), std::string::npos);
}

// No picture holds NaN or an infinity: a view that cannot be drawn is a note
// saying so, and a point too far off the picture for a double is left out.
TEST(Picture, AViewThatCannotBeDrawnIsANote) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        Vec3 position;
        double field;
        Vec3 end;
        bool drawable;
    } cases[] = {
        {{0, 0, 100}, 1.5e-323, {1, 1, 0}, false},  {{0, 0, 100}, 0, {1, 1, 0}, false},
        {{nan, 0, 100}, 200, {1, 1, 0}, false},     {{0, inf, 100}, 200, {1, 1, 0}, false},
        {{0, 0, 100}, 1e-300, {1e300, 0, 0}, true}, {{0, 0, 100}, 200, {1, 1, 0}, true},
    };
    for (const auto& c : cases) {
        Scene scene;
        scene.camera = camera(c.position, {0, 1, 0}, c.field != 200);
        scene.camera.width = scene.camera.height = c.field;
        SceneEntity line;
        line.end = c.end;
        scene.entities = {line, line};
        scene.entities[1].start = {1, 0, 0};
        scene.entities[1].end = {0, 0, 1};
        const std::string svg = renderSvg(scene);
        EXPECT_EQ(svg.find("nan"), std::string::npos) << svg;
        EXPECT_EQ(svg.find("inf"), std::string::npos) << svg;
        EXPECT_EQ(svg.find(">This view cannot be drawn: ") == std::string::npos, c.drawable) << svg;
        EXPECT_EQ(svg.find("<path") != std::string::npos, c.drawable) << svg;
    }
}

// The view is clipped to its own part of the picture and every panel (the
// kind of view, the tripod, the lists) stands to its right, however many.
TEST(Picture, PanelsStandBesideTheViewNeverOverIt) {
    Scene scene;
    scene.camera = camera({0, 0, 100}, {0, 1, 0});
    SceneEntity line;
    line.start = {-500, 0, 0};  // runs far past both edges
    line.end = {500, 10, 0};
    scene.entities = {line};
    scene.lists.resize(5, SceneList{1, "SysListView32", 0, 99, 10, 40, 3});
    const std::string svg = renderSvg(scene);

    const std::string view = "<g class=\"view\" clip-path=\"url(#view)\">";
    EXPECT_NE(svg.find("<clipPath id=\"view\"><rect width=\"480\" height=\"360\"/>"),
              std::string::npos);
    const std::size_t viewEnd = svg.find("</g>", svg.find(view));
    ASSERT_NE(viewEnd, std::string::npos) << svg;
    EXPECT_NE(svg.find("<path", svg.find(view)), std::string::npos);
    EXPECT_EQ(svg.find("<path", viewEnd), std::string::npos) << "an entity drawn outside the view";
    const std::string panels = svg.substr(viewEnd);
    std::size_t xs = 0;
    for (const char* attribute : {" x=\"", " x1=\"", " x2=\""}) {
        for (std::size_t at = panels.find(attribute); at != std::string::npos;
             at = panels.find(attribute, at + 1)) {
            EXPECT_GE(std::stod(panels.substr(at + std::string(attribute).size())), kPictureWidth)
                << panels.substr(at, 40);
            ++xs;
        }
    }
    EXPECT_GT(xs, 5u * 3);  // each list's frame, bar and texts were looked at
    EXPECT_EQ(countOf(panels, "window 1: SysListView32"), 5u);
    EXPECT_NE(svg.find("height=\"" + std::to_string(pictureHeight(scene)) + "\""),
              std::string::npos);
    EXPECT_GT(pictureHeight(scene), kPictureHeight);  // five lists reach below the view
}

}  // namespace
}  // namespace qxsim
