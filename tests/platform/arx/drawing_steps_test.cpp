// qxsim's drawing steps: each scenario line sets up the drawing world, and a
// step that cannot be carried out says what it expected.
#include <optional>
#include <string>

#include "scenario.h"
#include "world_fixture.h"
#include "world_steps.h"

namespace {

class DrawingSteps : public DrawingWorld {
protected:
    // Parses and runs one line; returns the error text ("" on success).
    static std::string run(const std::string& line) {
        std::optional<qxsim::ScenarioError> parseError;
        const std::optional<qxsim::Step> step = qxsim::parseLine(line, "t.qxs", 1, parseError);
        EXPECT_FALSE(parseError.has_value()) << line;
        std::string error;
        if (step && !qxsim::runDrawingStep(*step, error)) {
            EXPECT_FALSE(error.empty());
            return error;
        }
        return "";
    }
};

TEST_F(DrawingSteps, BuildTheDrawingAndItsSelection) {
    EXPECT_EQ("", run("drawing sample"));
    const int count = arxworld::entityCount();
    EXPECT_EQ("", run("line 1 2 3 4 5 6 layer walls"));
    EXPECT_EQ("", run("circle 0 0 0 2.5"));
    EXPECT_EQ(count + 2, arxworld::entityCount());
    EXPECT_EQ("walls", arxworld::entity(count).layer);
    EXPECT_POINT_NEAR(AcGePoint3d(4, 5, 6), arxworld::entity(count).end, 0);
    EXPECT_EQ(2.5, arxworld::entity(count + 1).radius);

    EXPECT_EQ("", run("select 0 " + std::to_string(count + 1)));
    EXPECT_EQ((std::vector<int>{0, count + 1}), arxworld::pickfirst());
    EXPECT_NE("", run("select 0 " + std::to_string(count + 2)));
    EXPECT_EQ((std::vector<int>{0, count + 1}), arxworld::pickfirst()) << "unchanged";
    EXPECT_NE("", run("circle 0 0 0 0"));
}

TEST_F(DrawingSteps, SetViewsAndRefuseDegenerateOnes) {
    EXPECT_EQ("", run("camera 1 2 30 1 2 0 0 1 0 40 30 perspective"));
    const arxworld::ViewParams v = arxworld::storedView(arxworld::kModelViewport);
    EXPECT_POINT_NEAR(AcGePoint3d(1, 2, 30), v.position, 0);
    EXPECT_TRUE(v.perspective);
    EXPECT_EQ(40.0, v.width);
    EXPECT_NE("", run("camera 0 0 0 0 0 0 0 1 0 40 30 parallel"));
    EXPECT_NE("", run("camera 0 0 5 0 0 0 0 0 1 40 30 parallel"));
    EXPECT_NE("", run("camera 0 0 5 0 0 0 0 1 0 0 30 parallel"));

    EXPECT_EQ("", run("paperview 5 6 70 400 200"));
    EXPECT_EQ(70.0, arxworld::paperView().viewHeight);
    EXPECT_NE("", run("paperview 5 6 0 400 200"));
}

}  // namespace
