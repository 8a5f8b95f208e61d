// 3D navigation: worked examples, zoom steps, rotation modes and flags,
// invariants, release, failures, zero sensitivities and the views' limits
// (2D too).
#include <cmath>

#include "plugin_host.h"

namespace {

constexpr double kTol = 1e-9;

arxdrawing::ViewParams topViewAt(const AcGePoint3d& target) {
    arxdrawing::ViewParams v;
    v.target = target;
    v.position = target + AcGeVector3d(0, 0, 100);
    return v;
}

arxdrawing::ViewParams perspectiveIso() {
    arxdrawing::ViewParams v;
    v.target = AcGePoint3d(5, 5, 0);
    v.position = AcGePoint3d(65, -55, 60);
    v.up = AcGeVector3d(-1, 1, 2).normal();
    v.perspective = true;
    return v;
}

void expectSameView(const arxdrawing::ViewParams& a, const arxdrawing::ViewParams& b, double tol) {
    EXPECT_POINT_NEAR(a.position, b.position, tol);
    EXPECT_POINT_NEAR(a.target, b.target, tol);
    EXPECT_POINT_NEAR(a.up, b.up, tol);
    EXPECT_NEAR(a.width, b.width, tol);
    EXPECT_NEAR(a.height, b.height, tol);
}

class Nav3d : public NavHost {
protected:
    void SetUp() override {
        NavHost::SetUp();
        load();
    }
};

TEST_F(Nav3d, WorkedExamplesOfATopView) {
    const double s = 0.5 * initialFieldMean();
    arxdrawing::ViewParams v = step3d(2000, 0, 0, 0, 0, 0);  // dx = 0.1: towards world -X
    EXPECT_POINT_NEAR(AcGePoint3d(-s, 0, 100), v.position, kTol);
    EXPECT_POINT_NEAR(AcGePoint3d(-s, 0, 0), v.target, kTol);

    v = step3d(0, 2000, 0, 0, 0, 0);  // towards world -Y
    EXPECT_POINT_NEAR(AcGePoint3d(0, -s, 100), v.position, kTol);
    EXPECT_POINT_NEAR(AcGePoint3d(0, -s, 0), v.target, kTol);

    v = step3d(0, 0, 0, 1000, 0, 0);  // 0.1 rad about world -X through the target
    EXPECT_POINT_NEAR(AcGePoint3d(0, 100 * std::sin(0.1), 100 * std::cos(0.1)), v.position, kTol);
    EXPECT_POINT_NEAR(AcGeVector3d(0, std::cos(0.1), -std::sin(0.1)), v.up, kTol);
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 0), v.target, kTol);

    v = step3d(0, 0, 0, 0, 1000, 0);  // -0.1 rad about the screen's up axis, world +Y
    EXPECT_POINT_NEAR(AcGePoint3d(-100 * std::sin(0.1), 0, 100 * std::cos(0.1)), v.position, kTol);

    v = step3d(0, 0, 0, 0, 0, 1000);  // -0.1 rad about world +Z: a roll
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 100), v.position, kTol);
    EXPECT_POINT_NEAR(AcGeVector3d(std::sin(0.1), std::cos(0.1), 0), v.up, kTol);

    // One redraw per step, nothing written back during a motion.
    EXPECT_EQ(5, arxdrawing::viewUpdateCount());
    EXPECT_EQ(0, arxdrawing::viewSaveCount());
    EXPECT_EQ(1, logCount("Move x-Direction, value: 0.1"));
}

TEST_F(Nav3d, ZStepsZoomByAtMostTwentyPercent) {
    const struct {
        int16_t tz;
        double factor;
    } cases[] = {{10000, 1.2}, {-10000, 0.8}, {2000, 1.1}, {-2000, 0.9}, {32767, 1.2}};
    for (const auto& c : cases) {
        const arxdrawing::ViewParams v = step3d(0, 0, c.tz, 0, 0, 0);
        EXPECT_NEAR(200.0 / c.factor, v.width, kTol) << "tz " << c.tz;
        EXPECT_NEAR(150.0 / c.factor, v.height, kTol) << "tz " << c.tz;
        EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 100), v.position, kTol);
    }
}

TEST_F(Nav3d, RotationModesChooseCentreAndSense) {
    // Target away from the world origin tells the centres apart.
    const arxdrawing::ViewParams start = topViewAt(AcGePoint3d(30, 0, 0));
    const arxdrawing::ViewParams opposite = step3d(-1000, 0, -2000, 0, -1000, 0, start);

    proxy().mRotMode = 3;  // everything turned round, centre still the target
    expectSameView(opposite, step3d(1000, 0, 2000, 0, 1000, 0, start), kTol);

    // Modes 1 and 2 (parallel) turn about the world origin.
    for (int32_t mode : {1, 2}) {
        proxy().mRotMode = mode;
        const arxdrawing::ViewParams v = step3d(0, 0, 0, 0, 1000, 0, start);
        AcGePoint3d target = start.target;
        target.rotateBy(mode == 2 ? 0.1 : -0.1, AcGeVector3d::kYAxis, AcGePoint3d::kOrigin);
        EXPECT_POINT_NEAR(target, v.target, kTol);
    }

    // Mode 2 in perspective turns about the camera: it looks around.
    proxy().mRotMode = 2;
    const arxdrawing::ViewParams persp = perspectiveIso();
    const arxdrawing::ViewParams v = step3d(0, 0, 0, 700, 300, 0, persp);
    EXPECT_POINT_NEAR(persp.position, v.position, kTol);
    EXPECT_GT(v.target.distanceTo(persp.target), 1.0);
    EXPECT_TRUE(v.perspective);
}

TEST_F(Nav3d, AnOrbitAndTheOppositeOrbitReturnToTheStart) {
    // Each axis alone, in every rotation mode, with and without the no-roll
    // flag, in a parallel and a perspective view; panning likewise.
    const int16_t moves[][6] = {
        {0, 0, 0, 900, 0, 0}, {0, 0, 0, 0, -700, 0}, {0, 0, 0, 0, 0, 450}, {300, -200, 0, 0, 0, 0}};
    for (int32_t mode : {0, 1, 2, 3}) {
        for (bool isNoRoll : {false, true}) {
            proxy().mRotMode = mode;
            proxy().mRotModeTens = isNoRoll;
            for (const arxdrawing::ViewParams& start :
                 {topViewAt(AcGePoint3d(7, -3, 2)), perspectiveIso()}) {
                for (const auto& m : moves) {
                    step3d(m[0], m[1], m[2], m[3], m[4], m[5], start);
                    proxy().handleCapIsDeflectedIn3DMode(-m[0], -m[1], -m[2], -m[3], -m[4], -m[5]);
                    SCOPED_TRACE(testing::Message()
                                 << "mode " << mode << " no-roll " << isNoRoll << " move " << m[0]
                                 << "," << m[3] << "," << m[4] << "," << m[5]);
                    expectSameView(start, *arxdrawing::gsView(arxdrawing::kModelViewport), 1e-9);
                }
            }
        }
    }
}

TEST_F(Nav3d, NoRollFlagYawsAboutWorldZ) {
    proxy().mRotModeTens = true;
    arxdrawing::ViewParams front;
    front.position = AcGePoint3d(0, -100, 0);
    front.up = AcGeVector3d(0, 0, 1);
    expectSameView(front, step3d(0, 0, 0, 0, 0, 1000, front), kTol);  // no roll
    arxdrawing::ViewParams v = step3d(0, 0, 0, 0, 1000, 0, front);
    EXPECT_POINT_NEAR(AcGePoint3d(-100 * std::sin(0.1), -100 * std::cos(0.1), 0), v.position, kTol);
    EXPECT_POINT_NEAR(AcGeVector3d(0, 0, 1), v.up, kTol);
    // Upside down the yaw turns the other way.
    front.up = AcGeVector3d(0, 0, -1);
    v = step3d(0, 0, 0, 0, 1000, 0, front);
    EXPECT_POINT_NEAR(AcGePoint3d(100 * std::sin(0.1), -100 * std::cos(0.1), 0), v.position, kTol);
}

TEST_F(Nav3d, LevelFlagKeepsWorldZInPerspectiveOnly) {
    proxy().mRotModeHundreds = true;
    const arxdrawing::ViewParams persp = perspectiveIso();
    const arxdrawing::ViewParams v = step3d(1500, -800, 4000, 0, 0, 0, persp);
    EXPECT_NEAR(persp.position.z, v.position.z, kTol);
    EXPECT_NEAR(persp.target.z, v.target.z, kTol);
    EXPECT_EQ(persp.width, v.width) << "a dolly, not a zoom";
    EXPECT_GT(v.position.distanceTo(persp.position), 1.0);
    // Parallel: the flag changes nothing, Z zooms.
    const arxdrawing::ViewParams top = topViewAt(AcGePoint3d(0, 0, 0));
    proxy().mRotModeHundreds = false;
    const arxdrawing::ViewParams plain = step3d(1500, -800, 4000, 0, 0, 0, top);
    proxy().mRotModeHundreds = true;
    expectSameView(plain, step3d(1500, -800, 4000, 0, 0, 0, top), kTol);
}

TEST_F(Nav3d, ReleaseWritesTheFinalViewBack) {
    EXPECT_TRUE(pass(0, 0, 0, 500, 0, 0));
    EXPECT_TRUE(proxy().mIsCapMoving);
    EXPECT_TRUE(pass(1000, 0, 0, 0, 0, 0));
    EXPECT_EQ(0, arxdrawing::viewSaveCount());
    release();
    EXPECT_FALSE(proxy().mIsCapMoving);
    ASSERT_EQ(1, arxdrawing::viewSaveCount());
    expectSameView(*arxdrawing::gsView(2), arxdrawing::storedView(2), 0);
    EXPECT_EQ(1, logCount("Cap released."));
    release();  // at rest already: nothing more
    EXPECT_EQ(1, arxdrawing::viewSaveCount());

    pass(0, 0, 0, 500, 0, 0);
    arxdrawing::setViewMarkedInvalid(2, true);
    release();
    EXPECT_EQ(1, arxdrawing::viewSaveCount());
    EXPECT_EQ(1, logCount("viewP not valid!"));
    EXPECT_FALSE(proxy().mIsCapMoving);
}

// A held motion goes up to a limit and stops there; the release writes that
// view back.
TEST_F(Nav3d, HeldMotionsStopAtTheViewLimitsAndTheReleaseWritesTheViewBack) {
    LogParameters warnings = gLogging;
    warnings.mIsWarning = true;
    gLogging.init(warnings);
    pass(0, 0, -32767, 100, 0, 0);
    EXPECT_EQ(0, logCount("Step held")) << "a step within the limits";
    for (int i = 0; i < 4000; ++i) {  // about 70 s of steps: far past an infinite field
        pass(0, 0, -32767, 100, 0, 0);
    }
    const arxdrawing::ViewParams v = *arxdrawing::gsView(2);
    EXPECT_EQ(v.width, 1e12);
    EXPECT_NEAR(v.height, 0.75e12, 1) << "the field keeps its shape";
    EXPECT_EQ(1, logCount("Step held at the view's limits: field 1e-09 to 1e+12, coordinates "
                          "within 1e+15 drawing units (a step that would make the view not "
                          "finite is not applied)."));
    release();
    ASSERT_EQ(1, arxdrawing::viewSaveCount());
    expectSameView(v, arxdrawing::storedView(2), 0);

    arxsim::setSpace(0, 1);  // paper space: pan and zoom out
    for (int i = 0; i < 1000; ++i) {
        pass(-32767, 0, -32767);
    }
    release();
    EXPECT_EQ(arxdrawing::paperView().viewHeight, 1e12);
    EXPECT_NEAR(arxdrawing::paperView().centerX, 1e15, 1);
    EXPECT_EQ(2, logCount("Step held")) << "once a motion";
}

// Fields and coordinates outside their limits, a field of zero or a
// subnormal one among them, are brought to the limit by the next step; a
// step too large for the limits goes as far as they allow.
TEST_F(Nav3d, ViewsOutsideTheLimitsAreBroughtToThem) {
    proxy().mTraSensBase = proxy().mRotSensBase = 1;
    const struct {
        double field;
        AcGePoint3d position;
        int16_t tx, tz, rx;
        double width;        // afterwards
        AcGePoint3d target;  // afterwards
    } cases[] = {
        {1.5e-323, {0, 0, 1e-6}, 32767, 32767, 32767, 1e-9, {0, 0, 0}},
        {0, {0, 0, 1e-6}, 0, 32767, 0, 1e-9, {0, 0, 0}},
        {1e-300, {0, 0, 1e-6}, 0, -1, 0, 1e-9, {0, 0, 0}},
        {9e11, {0, 0, 100}, 32767, 0, 0, 9e11, {-1e15, 0, 0}},
        {200, {0, 0, 2e15}, 0, 0, 0, 200, {0, 0, -1e15}},
    };
    for (const auto& c : cases) {
        arxdrawing::ViewParams start = arxdrawing::initialView();
        start.position = c.position;
        start.width = start.height = c.field;
        start.perspective = true;
        const arxdrawing::ViewParams v = step3d(c.tx, 0, c.tz, c.rx, 0, 0, start);
        EXPECT_EQ(v.width, c.width) << c.field;
        EXPECT_POINT_NEAR(c.target, v.target, 1.0);
        EXPECT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.up.x)) << c.field;
    }
}

TEST_F(Nav3d, MissingViewOrViewportNumberStopsTheStep) {
    arxdrawing::setGsViewsAvailable(false);
    proxy().handleCapIsDeflectedIn3DMode(1000, 0, 0, 0, 0, 0);
    EXPECT_EQ(1, logCount("AcGsView object could not be retrieved!"));
    EXPECT_EQ(1, logCount("ViewP could not be retrieved!"));

    arxdrawing::setGsViewsAvailable(true);
    ads_u_val viewport{};
    viewport.rint = 2;
    arxsim::setVarAnswer(L"CVPORT", RTSHORT + 1, viewport);  // any type but a short
    proxy().handleCapIsDeflectedIn3DMode(1000, 0, 0, 0, 0, 0);
    EXPECT_EQ(1, logCount("System variable 'CVPORT'could not be retrieved! rc = 5100"));

    arxsim::closeDocument();  // "CVPORT" cannot be read
    proxy().handleCapIsDeflectedIn3DMode(1000, 0, 0, 0, 0, 0);
    EXPECT_EQ(1, logCount("System variable 'CVPORT'could not be retrieved! rc = -5001"));
    EXPECT_EQ(3, logCount("ViewP could not be retrieved!"));
    EXPECT_EQ(0, arxdrawing::viewUpdateCount());
}

TEST_F(Nav3d, ZeroTranslationSensitivitySwitchesPanOffOncePerMotion) {
    proxy().mTraSensBase = 0;
    pass(2000, 0, 3000, 1000, 0, 0);
    pass(2000, 0, 3000, 1000, 0, 0);
    const arxdrawing::ViewParams v = *arxdrawing::gsView(2);
    EXPECT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.width));
    EXPECT_EQ(200.0, v.width) << "no zoom";
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0, 0), v.target, kTol);  // turned about the target only
    EXPECT_NEAR(100 * std::sin(0.2), v.position.y, kTol) << "rotations still work";
    release();
    pass(2000, 0, 0);
    release();
    EXPECT_EQ(2, logCount("Setting 'transSensBase' is 0"));
}

TEST_F(Nav3d, ZeroRotationSensitivitySwitchesTurningOff) {
    proxy().mRotSensBase = 0;
    pass(2000, 0, 0, 1000, 1000, 1000);
    pass(0, 0, 0, 1000, 0, 0);
    release();
    const arxdrawing::ViewParams v = arxdrawing::storedView(2);
    EXPECT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.up.y));
    EXPECT_POINT_NEAR(AcGeVector3d(0, 1, 0), v.up, kTol);
    EXPECT_NEAR(-0.5 * initialFieldMean(), v.position.x, kTol) << "panning still works";
    EXPECT_EQ(1, logCount("Setting 'rotSensBase' is 0"));
}

}  // namespace
