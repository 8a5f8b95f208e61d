// 2D navigation in a layout's paper space: pan and zoom of the active
// viewport, the document lock and navigation bar of a motion, and motions
// that switch between paper and model space.
#include "plugin_host.h"

namespace {

constexpr double kTol = 1e-12;

class Nav2d : public NavHost {
protected:
    void SetUp() override {
        NavHost::SetUp();
        load();
        arxsim::setSpace(0, 1);
        arxdrawing::setPaperView({100, 50, 150, 400, 300});  // view width 200
    }
};

TEST_F(Nav2d, PanMovesTheCentreByAFractionOfTheView) {
    pass(2000, 0, 0);  // one tenth of the width towards -X
    EXPECT_NEAR(80.0, arxdrawing::paperView().centerX, kTol);
    EXPECT_NEAR(50.0, arxdrawing::paperView().centerY, kTol);
    pass(0, -4000, 0);  // one fifth of the height towards +Y
    EXPECT_NEAR(80.0, arxdrawing::paperView().centerX, kTol);
    EXPECT_NEAR(80.0, arxdrawing::paperView().centerY, kTol);
    EXPECT_EQ(150.0, arxdrawing::paperView().viewHeight);
    EXPECT_EQ(2, arxdrawing::paperUpdateCount());
    release();
}

TEST_F(Nav2d, ZoomStepsAreLimited) {
    const struct {
        int16_t tz;
        double factor;
    } cases[] = {{100, 0.995}, {8000, 0.8}, {-8000, 1.2}, {-2000, 1.1}};
    for (const auto& c : cases) {
        arxdrawing::setPaperView({100, 50, 150, 400, 300});
        proxy().handleCapIsDeflectedIn2DMode(0, 0, c.tz);
        proxy().mIsCapMoving = true;  // as the driver marks the motion after its first step
        EXPECT_NEAR(150.0 * c.factor, arxdrawing::paperView().viewHeight, kTol) << c.tz;
        EXPECT_EQ(100.0, arxdrawing::paperView().centerX);
    }
    // Pan and zoom in one step, pan first.
    arxdrawing::setPaperView({100, 50, 150, 400, 300});
    proxy().handleCapIsDeflectedIn2DMode(2000, 0, -2000);
    EXPECT_NEAR(80.0, arxdrawing::paperView().centerX, kTol);
    EXPECT_NEAR(165.0, arxdrawing::paperView().viewHeight, kTol);
    proxy().handleCapIsReleased(1);
}

TEST_F(Nav2d, AMotionLocksTheDrawingAndHidesTheNavigationBar) {
    for (int motion = 0; motion < 2; ++motion) {
        pass(100, 0, 0);
        pass(100, 0, 0);
        EXPECT_EQ(1, arxsim::lockDepth());
        release();
        EXPECT_EQ(0, arxsim::lockDepth());
    }
    const std::vector<std::wstring> sent = arxsim::sentStrings();
    ASSERT_EQ(4u, sent.size());
    EXPECT_EQ(L"_navbardisplay 0 ", sent[0]);
    EXPECT_EQ(L"_navbardisplay 1 ", sent[1]);
    EXPECT_EQ(2, logCount("Document locked"));
    EXPECT_EQ(2, logCount("Document unlocked"));
}

TEST_F(Nav2d, AViewportThatCannotBeOpenedChangesNothing) {
    arxdrawing::setPaperViewportOpenable(false);
    pass(2000, 0, 2000);
    EXPECT_EQ(2, logCount("AcDbObjectPointer could not be retrieved!"));  // pan2D and zoom2D
    EXPECT_EQ(100.0, arxdrawing::paperView().centerX);
    release();
}

TEST_F(Nav2d, MotionsThatSwitchSpaces) {
    // Begun in paper space, released in model space: unlocked, bar still off.
    pass(100, 0, 0);
    arxsim::setSpace(0, 2);
    pass(0, 0, 0, 100, 0, 0);  // the next pass already navigates in 3D
    release();
    EXPECT_EQ(0, arxsim::lockDepth());
    EXPECT_TRUE(proxy().mIsNavBarHidden);
    EXPECT_EQ(1u, arxsim::sentStrings().size());
    EXPECT_EQ(1, arxdrawing::viewSaveCount());

    // Begun in 3D, released in paper space: the bar comes back now.
    pass(0, 0, 0, 100, 0, 0);
    arxsim::setSpace(0, 1);
    release();
    EXPECT_FALSE(proxy().mIsNavBarHidden);
    ASSERT_EQ(2u, arxsim::sentStrings().size());
    EXPECT_EQ(L"_navbardisplay 1 ", arxsim::sentStrings()[1]);
    EXPECT_EQ(1, logCount("Document unlocked")) << "only releases in paper space";
}

TEST_F(Nav2d, ZeroSensitivityKeepsThePaperViewStill) {
    proxy().mTraSensBase = 0;
    pass(2000, 2000, 2000);
    pass(2000, 2000, 2000);
    release();
    EXPECT_EQ(100.0, arxdrawing::paperView().centerX);
    EXPECT_EQ(150.0, arxdrawing::paperView().viewHeight);
    EXPECT_EQ(1, logCount("Setting 'transSensBase' is 0"));
}

}  // namespace
