// Selection lookups and the selection pivot of 3D navigation: centre and
// axis results, remembering within a motion, sets always freed.
#include <cmath>

#include "plugin_host.h"

namespace {

constexpr double kTol = 1e-9;

class Selection : public NavHost {
protected:
    void SetUp() override {
        NavHost::SetUp();
        load();
        mLine = arxdrawing::addLine(AcGePoint3d(2, 0, 0), AcGePoint3d(2, 6, 8));
        mOther = arxdrawing::addLine(AcGePoint3d(-4, -4, 0), AcGePoint3d(0, 0, 0));
        mCircle = arxdrawing::addCircle(AcGePoint3d(10, 20, 30), 5);
    }
    int mLine = 0;
    int mOther = 0;
    int mCircle = 0;
};

TEST_F(Selection, OneLineGivesItsAxisAndBoxCentre) {
    arxdrawing::setPickfirst({mLine});
    AcGeVector3d axis;
    AcGePoint3d start;
    ASSERT_TRUE(proxy().getSelObjectAxis(axis, start));
    EXPECT_POINT_NEAR(AcGeVector3d(0, 0.6, 0.8), axis, kTol);
    EXPECT_POINT_NEAR(AcGePoint3d(2, 0, 0), start, kTol);
    AcGePoint3d centre;
    ASSERT_TRUE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_POINT_NEAR(AcGePoint3d(2, 3, 4), centre, kTol);
    EXPECT_EQ(1, logCount("selCenterPoint: 2, 3, 4"));
}

TEST_F(Selection, TwoObjectsOrACircleGiveNoAxisButAMeanCentre) {
    AcGeVector3d axis(9, 9, 9);
    AcGePoint3d start(9, 9, 9);
    AcGePoint3d centre;
    arxdrawing::setPickfirst({mLine, mOther});
    EXPECT_FALSE(proxy().getSelObjectAxis(axis, start));
    EXPECT_POINT_NEAR(AcGeVector3d(9, 9, 9), axis, 0) << "outputs only written on success";
    ASSERT_TRUE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_POINT_NEAR(AcGePoint3d(0, 0.5, 2), centre, kTol);  // mean of (2,3,4), (-2,-2,0)

    arxdrawing::setPickfirst({mCircle});
    EXPECT_FALSE(proxy().getSelObjectAxis(axis, start));
    ASSERT_TRUE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_POINT_NEAR(AcGePoint3d(10, 20, 30), centre, kTol);

    arxdrawing::setPickfirst({});
    EXPECT_FALSE(proxy().getSelObjectAxis(axis, start)) << "no selection";
    EXPECT_FALSE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_FALSE(gLastCenterResult);
}

TEST_F(Selection, UnreadableMembersAreHandledAndSetsFreed) {
    AcGePoint3d centre;
    arxdrawing::setPickfirst({mLine, mOther, mCircle});
    arxdrawing::eraseEntity(mOther);  // skipped: the mean of the others
    ASSERT_TRUE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_POINT_NEAR(AcGePoint3d(6, 11.5, 17), centre, kTol);

    arxdrawing::setSSNameFailureIndex(2);  // a name that cannot be read: no centre
    EXPECT_FALSE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_FALSE(gLastCenterResult);
    const arxdrawing::Balances b = arxdrawing::balances();
    EXPECT_EQ(2, b.setsGiven);
    EXPECT_EQ(0, b.setsLeaked());
}

TEST_F(Selection, CentreLookupLogsNothingWithTemporaryEntriesOff) {
    mQx.reset();
    load([](Settings& s) { s.mLogPars.mIsTmp = false; });
    arxdrawing::setPickfirst({mLine});
    AcGePoint3d centre;
    EXPECT_TRUE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_EQ(0, logCount("selCenterPoint"));
}

TEST_F(Selection, PivotIsTheSelectionCentreAndIsKeptForTheMotion) {
    arxdrawing::setPickfirst({mCircle});
    pass(0, 0, 0, 1000, 0, 0);  // first step: reads the selection
    AcGePoint3d expected(0, 0, 100);
    expected.rotateBy(-0.1, AcGeVector3d::kXAxis, AcGePoint3d(10, 20, 30));
    EXPECT_POINT_NEAR(expected, arxdrawing::gsView(2)->position, kTol);

    arxdrawing::setPickfirst({mOther});  // changed while the cap is held
    pass(0, 0, 0, 1000, 0, 0);
    expected.rotateBy(-0.1, AcGeVector3d::kXAxis, AcGePoint3d(10, 20, 30));
    EXPECT_POINT_NEAR(expected, arxdrawing::gsView(2)->position, kTol);
    release();
    EXPECT_EQ(1, arxdrawing::balances().setsGiven) << "one read per motion";

    // A motion whose first step has no rotation keeps the earlier result.
    pass(1, 0, 0);
    AcGePoint3d kept = arxdrawing::gsView(2)->position;
    pass(0, 0, 0, 1000, 0, 0);
    kept.rotateBy(-0.1, AcGeVector3d::kXAxis, AcGePoint3d(10, 20, 30));
    EXPECT_POINT_NEAR(kept, arxdrawing::gsView(2)->position, kTol);
    release();
    EXPECT_EQ(1, arxdrawing::balances().setsGiven);
}

TEST_F(Selection, LineAxisTurnsEveryRotationAboutTheLine) {
    mQx.reset();
    load([](Settings& s) { s.mToggleRotationAxis = true; });
    // A line along (1, 0, 1)/sqrt2 through (3, 0, 0): in the top view
    // X . axis = -0.707, Y . axis = 0, Z . axis = 0.707.
    const int diagonal = arxdrawing::addLine(AcGePoint3d(3, 0, 0), AcGePoint3d(4, 0, 1));
    arxdrawing::setPickfirst({diagonal});
    pass(0, 0, 0, 1000, 1000, 1000);
    // rx -> trunc(-707.1) = -707, ry -> 0, rz -> 707 and then negated: all
    // about the line, together -0.1414 rad.
    const AcGeVector3d axis = AcGeVector3d(1, 0, 1).normal();
    AcGePoint3d position(0, 0, 100);
    position.rotateBy(-0.1414, axis, AcGePoint3d(3, 0, 0));
    EXPECT_POINT_NEAR(position, arxdrawing::gsView(2)->position, kTol);
    release();

    // Two objects: no axis; the centre pivot with the screen axes.
    arxdrawing::setModelView(2, arxdrawing::initialView());
    arxdrawing::setPickfirst({mLine, mOther});
    pass(0, 0, 0, 1000, 0, 0);
    position = AcGePoint3d(0, 0, 100);
    position.rotateBy(-0.1, AcGeVector3d::kXAxis, AcGePoint3d(0, 0.5, 2));
    EXPECT_POINT_NEAR(position, arxdrawing::gsView(2)->position, kTol);
    release();
}

}  // namespace
