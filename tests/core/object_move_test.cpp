// Object move mode in 3D and 2D: moves and turns of the selection, the
// flags, locked layers, the document lock for the motion, and the fallback
// to view navigation when nothing is selected.
#include <cmath>

#include "plugin_host.h"

namespace {

constexpr double kTol = 1e-9;

class ObjectMove : public NavHost {
protected:
    void SetUp() override {
        NavHost::SetUp();
        load();
        proxy().mIsObjectMoveMode = true;
        mA = arxdrawing::addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
        mB = arxdrawing::addCircle(AcGePoint3d(10, 10, 0), 2, "held");
        arxdrawing::setPickfirst({mA, mB});
    }
    static AcGePoint3d startOf(int index) { return arxdrawing::entity(index).start; }
    int mA = 0;
    int mB = 0;
};

TEST_F(ObjectMove, TopViewTranslationMovesObjectsNotTheCamera) {
    pass(100, 0, 0);  // X points left: the objects move right
    EXPECT_POINT_NEAR(AcGePoint3d(50, 0, 0), startOf(mA), kTol);
    EXPECT_POINT_NEAR(AcGePoint3d(60, 10, 0), startOf(mB), kTol);
    pass(0, 100, 0);  // screen up: world +Y
    EXPECT_POINT_NEAR(AcGePoint3d(50, 50, 0), startOf(mA), kTol);
    EXPECT_EQ(1, arxsim::lockDepth()) << "locked once for the motion";
    const arxdrawing::ViewParams v = *arxdrawing::gsView(2);
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 100), v.position, 0);
    EXPECT_EQ(2, arxdrawing::viewUpdateCount()) << "each step still redraws";
    release();
    EXPECT_EQ(0, arxsim::lockDepth());
    EXPECT_EQ(0, arxdrawing::redrawCount()) << "3D redraws through the view only";
}

TEST_F(ObjectMove, RotationsTurnAboutTheSelectionCentre) {
    const AcGePoint3d centre(7.5, 5, 0);  // mean of (5,0,0) and (10,10,0)
    const struct {
        int16_t rx, ry, rz;
        AcGeVector3d axis;  // world axis of a positive angle
        double angle;
    } cases[] = {{100, 0, 0, AcGeVector3d(-1, 0, 0), -0.2},
                 {0, 100, 0, AcGeVector3d(0, 1, 0), 0.2},
                 {0, 0, 100, AcGeVector3d(0, 0, 1), 0.2}};
    for (const auto& c : cases) {
        AcGePoint3d expected = startOf(mA);
        expected.rotateBy(c.angle, c.axis, centre);
        proxy().handleCapIsDeflectedIn3DMode(0, 0, 0, c.rx, c.ry, c.rz);
        EXPECT_POINT_NEAR(expected, startOf(mA), kTol);
        // Undo, so that the next case starts from the same place.
        proxy().handleCapIsDeflectedIn3DMode(0, 0, 0, -c.rx, -c.ry, -c.rz);
        EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 0), startOf(mA), kTol);
    }
    proxy().mIsCapMoving = true;  // as the driver marks a motion
    proxy().handleCapIsReleased(2);
}

TEST_F(ObjectMove, NoRollAndLevelFlags) {
    proxy().mRotModeTens = true;
    proxy().mRotModeHundreds = true;
    // A front view: screen up is world +Z, out of the screen world -Y.
    arxdrawing::ViewParams front;
    front.position = AcGePoint3d(0, -100, 0);
    front.up = AcGeVector3d(0, 0, 1);
    arxdrawing::setModelView(2, front);
    proxy().handleCapIsDeflectedIn3DMode(0, 0, 0, 0, 0, 300);  // no roll
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 0), startOf(mA), kTol);
    proxy().handleCapIsDeflectedIn3DMode(0, 0, 100, 0, 0, 0);  // towards the viewer: -Y
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 0), startOf(mA), kTol) << "level: world Y stays";
    proxy().handleCapIsDeflectedIn3DMode(0, 0, 0, 0, 100, 0);  // about world Y
    AcGePoint3d expected(0, 0, 0);
    expected.rotateBy(0.2, AcGeVector3d::kYAxis, AcGePoint3d(7.5, 5, 0));
    EXPECT_POINT_NEAR(expected, startOf(mA), kTol);
    proxy().mIsCapMoving = true;  // as the driver marks a motion
    proxy().handleCapIsReleased(2);
}

TEST_F(ObjectMove, LockedLayersStayAndTwoDimensionalMovesRedraw) {
    arxdrawing::setLayerLocked("held", true);
    arxsim::setSpace(0, 1);  // paper space: 2D
    const arxdrawing::PaperView paper = arxdrawing::paperView();
    pass(1000, -2000, 5000);  // no zoom, no pan while something moves
    EXPECT_POINT_NEAR(AcGePoint3d(0.05, -0.1, 0), startOf(mA), kTol);
    EXPECT_POINT_NEAR(AcGePoint3d(10, 10, 0), startOf(mB), 0);
    EXPECT_EQ(1, arxdrawing::redrawCount());
    EXPECT_EQ(paper.centerX, arxdrawing::paperView().centerX);
    EXPECT_EQ(paper.viewHeight, arxdrawing::paperView().viewHeight);
    EXPECT_TRUE(arxsim::sentStrings().empty()) << "navigation bar untouched";
    EXPECT_EQ(1, arxsim::lockDepth());
    release();
    EXPECT_EQ(0, arxsim::lockDepth());
}

TEST_F(ObjectMove, NothingSelectedNavigatesTheView) {
    arxdrawing::setPickfirst({});
    pass(2000, 0, 0);
    EXPECT_NEAR(-0.5 * initialFieldMean(), arxdrawing::gsView(2)->position.x, kTol);
    EXPECT_EQ(0, arxsim::lockDepth());
    release();
    arxsim::setSpace(0, 1);
    pass(2000, 0, 0);
    EXPECT_NE(0.0, arxdrawing::paperView().centerX);
    release();
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 0), startOf(mA), 0);
}

}  // namespace
