// Several drawings: a motion ends while its own drawing is still current,
// before the user switches away from it or closes it, and its lock goes
// back to the drawing it was taken on. The scenario drawings.qxs (tests/e2e)
// shows the same for a 3D motion, object move and a closed drawing.
#include "doc_data.h"
#include "plugin_host.h"

namespace {

class Drawings : public NavHost {
protected:
    // Drawing 1 holds a selected line; `extra` further drawings are opened
    // beside it, then drawing 1 is made current again. The module's
    // document data manager hears of it when `heard`.
    void prepare(int extra, bool heard = true) {
        if (heard) {
            mManager = std::make_unique<CDocDataManager>();
        }
        arxdrawing::addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
        arxdrawing::setPickfirst({0});
        for (int i = 0; i < extra; ++i) {
            arxsim::newDocument();
        }
        arxsim::activateDocument(1);
    }
    // Two steps of object move on drawing 1, which it locks.
    void startObjectMove() {
        proxy().mIsObjectMoveMode = true;
        EXPECT_TRUE(pass(0, 100, 0));
        EXPECT_TRUE(pass(0, 100, 0));
        EXPECT_EQ(arxsim::lockDepth(1), 1);
    }
    void TearDown() override {
        NavHost::TearDown();
        mManager.reset();
    }

    std::unique_ptr<CDocDataManager> mManager;
};

TEST_F(Drawings, OnlyLeavingTheMovingDrawingEndsTheMotion) {
    prepare(2);
    load();
    startObjectMove();
    arxsim::closeDocument(3);  // another drawing: the motion goes on
    EXPECT_TRUE(proxy().mIsCapMoving);
    EXPECT_EQ(arxsim::lockDepth(1), 1);

    arxsim::activateDocument(2);
    EXPECT_FALSE(proxy().mIsCapMoving);
    EXPECT_EQ(arxsim::lockDepth(1), 0);
    EXPECT_EQ(logCount("Drawing deactivated during a motion - cap released."), 1);
    // Drawing 2 has no selection: the held cap moves its own view, unlocked.
    EXPECT_TRUE(pass(0, 100, 0));
    EXPECT_EQ(arxsim::lockDepth(2), 0);
    EXPECT_NE(arxdrawing::gsView(arxdrawing::kModelViewport)->position.y, 0.0);
    release();
    arxsim::activateDocument(1);
    EXPECT_EQ(arxdrawing::entity(0).transformCount, 2);
}

TEST_F(Drawings, ClosingTheMovingDrawingEndsTheMotionFirst) {
    prepare(1);
    load();
    startObjectMove();
    const int saves = arxdrawing::viewSaveCount();
    arxsim::closeDocument(1);
    EXPECT_FALSE(proxy().mIsCapMoving);
    EXPECT_EQ(arxdrawing::viewSaveCount(), saves + 1);
    EXPECT_EQ(logCount("Drawing closed during a motion - cap released."), 1);
    ASSERT_EQ(events("unlock").size(), 1u);
    EXPECT_EQ(textField(events("unlock")[0], "doc"), "Drawing1.dwg");
    EXPECT_EQ(arxsim::currentDocument(), 2);
}

TEST_F(Drawings, TheLockGoesBackToItsDrawingAlsoWhenTheSwitchWentUnheard) {
    prepare(0, false);
    load();
    startObjectMove();
    arxsim::newDocument();
    EXPECT_TRUE(proxy().mIsCapMoving);
    release();
    EXPECT_EQ(arxsim::lockDepth(1), 0);
    EXPECT_EQ(arxsim::lockDepth(2), 0);
}

}  // namespace
