// What a motion did, read from transcript lines: an orbit names its angle and
// the point it kept, a pan its distance and side, a zoom its factor; paper
// motions and moved entities likewise.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "motion_notes.h"

namespace qxsim {
namespace {

std::string viewLine(const char* ev, const Camera& c) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "{\"t\":1,\"ev\":\"%s\",\"vp\":2,\"position\":[%.17g,%.17g,%.17g],"
                  "\"target\":[%.17g,%.17g,%.17g],\"up\":[%.17g,%.17g,%.17g],\"width\":%.17g,"
                  "\"height\":%.17g,\"perspective\":false}",
                  ev, c.position.x, c.position.y, c.position.z, c.target.x, c.target.y, c.target.z,
                  c.up.x, c.up.y, c.up.z, c.width, c.height);
    return text;
}

// Looking along +Y at the origin from 100 units, Z up.
WorldState front() {
    WorldState world;
    world.camera = {{0, -100, 0}, {0, 0, 0}, {0, 0, 1}, 200, 150, false};
    world.paper = {100, 50, 150};
    world.entityCentres = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}};
    return world;
}

// `p` turned by `degrees` about the Z axis through `centre`.
Vec3 turnedAboutZ(Vec3 p, Vec3 centre, double degrees) {
    const double a = degrees * std::acos(-1.0) / 180.0;
    const Vec3 d = p - centre;
    return centre +
           Vec3{d.x * std::cos(a) - d.y * std::sin(a), d.x * std::sin(a) + d.y * std::cos(a), d.z};
}

TEST(MotionNotes, NameEachMotionsKindAndAmount) {
    WorldState world = front();
    world.selectionCentre = Vec3{10, 0, 0};
    MotionNotes notes;
    notes.reset(world);

    // An orbit of 90 degrees about the selection, told once written back.
    Camera c = world.camera;
    c.position = turnedAboutZ(c.position, {10, 0, 0}, 45);
    c.target = turnedAboutZ(c.target, {10, 0, 0}, 45);
    notes.read(viewLine("view", c));
    EXPECT_TRUE(notes.take().empty()) << "a motion under way is told at its end";
    c.position = turnedAboutZ(world.camera.position, {10, 0, 0}, 90);
    c.target = turnedAboutZ(world.camera.target, {10, 0, 0}, 90);
    notes.read(viewLine("view_saved", c));
    EXPECT_EQ(notes.take(), std::vector<std::string>{
                                "orbit 90.0 deg about the selection's centre (10.0, 0.0, 0.0), "
                                "around z"});

    // Then a pan (the camera to its right: the drawing moves left) and a zoom in.
    Camera panned = c;
    const Vec3 right{0, 1, 0};  // the camera's right after the turn, looking along -X
    panned.position = c.position + 12.5 * right;
    panned.target = c.target + 12.5 * right;
    panned.width = c.width / 2;
    panned.height = c.height / 2;
    notes.read(viewLine("view_saved", panned));
    EXPECT_EQ(notes.take(), std::vector<std::string>{"pan 12.5 units left; zoom x2.0"});

    // Paper space and object move end with the picture: the paper view went
    // right and out, entities 1 and 2 moved alike, 0 turned in place.
    notes.read(R"({"t":2,"ev":"paper_view","center":[110,50],"height":300})");
    const char* shift = "[1,0,0,5,0,1,0,0,0,0,1,0,0,0,0,1]";
    notes.read(std::string(R"({"t":3,"ev":"entity","id":1,"matrix":)") + shift + "}");
    notes.read(std::string(R"({"t":3,"ev":"entity","id":2,"matrix":)") + shift + "}");
    notes.read(std::string(R"({"t":4,"ev":"entity","id":2,"matrix":)") + shift + "}");
    notes.read(std::string(R"({"t":4,"ev":"entity","id":1,"matrix":)") + shift + "}");
    notes.read(R"({"t":5,"ev":"entity","id":0,"matrix":[0,-1,0,0,1,0,0,0,0,0,1,0,0,0,0,1]})");
    WorldState after = front();
    after.entityCentres = {{0, 0, 0}, {20, 0, 0}, {30, 0, 0}};
    EXPECT_EQ(notes.flush(after),
              (std::vector<std::string>{"paper pan 10.0 units left; paper zoom x0.50",
                                        "entity 0 turned 90.0 deg",
                                        "entities 1 2 moved by (10.0, 0.0, 0.0)"}));
    // Measured from the world given, nothing is left to tell.
    notes.read(viewLine("view_saved", after.camera));
    EXPECT_TRUE(notes.flush(after).empty());

    // A level walk of a perspective camera that looks down: its frame's up
    // is not the world's, so the caption says whose up, and that the height
    // stayed.
    const Camera high{{0, -100, 50}, {0, 0, 0}, {0, 0, 1}, 200, 150, true};
    Camera walked = high;
    walked.position = high.position + Vec3{0, 40, 0};
    walked.target = high.target + Vec3{0, 40, 0};
    EXPECT_EQ(describeViewChange(high, walked, front()),
              "camera moved 35.8 units forward, 17.9 along the camera's up, height unchanged");
}

}  // namespace
}  // namespace qxsim
