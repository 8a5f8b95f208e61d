// The navigation driver: the one-shot timer and its intervals, the tick's
// time budget, the cap threshold and the navigation mode. The 100 ms ticks at
// rest and a scrolled pass leaving the cap at rest are pinned down by the
// end-to-end transcripts (tests/e2e, scenarios keys and scroll).
#include <array>
#include <vector>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "auto_cad_proxy.h"
#include "plugin_host.h"
#include "transcript.h"
#include "win32_control.h"

class Driver : public PluginHost {};

TEST_F(Driver, DeflectionStartsAMotionAndTheTimerGoesTo10ms) {
    load();
    runFor(150);
    sendCap(0, 0, 0, 0, 0, 1);
    runFor(60);  // the tick at 200 finds the cap deflected
    EXPECT_TRUE(proxy().mIsCapMoving);
    EXPECT_EQ(logCount("Cap moving."), 1);
    EXPECT_EQ(timerIntervals().back(), 10u);
}

TEST_F(Driver, TickSpendsItsWholeBudgetWhileTheCapIsDeflected) {
    arxdrawing::setFrameMs(16);  // each 3D step ends with a redraw of one frame
    load();
    sendCap(500, 0, 0, 0, 0, 0);
    transcript::clearCaptured();
    runFor(110);  // one tick, at 100
    // The loop runs passes until 500 ms have gone by, then re-arms. The
    // budget is checked against the start of the previous pass, so up to
    // two passes may follow its end.
    const std::vector<std::string> lines = transcript::captured();
    ASSERT_FALSE(lines.empty());
    const std::string& rearm = lines.back();
    ASSERT_NE(rearm.find("\"ev\":\"timer\""), std::string::npos) << rearm;
    const auto t = std::stoull(rearm.substr(rearm.find("\"t\":") + 4));
    EXPECT_GE(t, 600u);
    EXPECT_LE(t, 600u + 2 * 16 + 1);
}

TEST_F(Driver, ZeroBudgetProcessesNothing) {
    load();
    proxy().mMaxContMoveTime = 0;
    sendCap(1000, 0, 0, 0, 0, 0);
    const int hostCalls = arxsim::hostCallCount();
    runFor(1000);
    EXPECT_EQ(arxsim::hostCallCount(), hostCalls);  // no mode read, no pass
    EXPECT_FALSE(proxy().mIsCapMoving);
    EXPECT_EQ(proxy().mNavMode, 0);
    for (uint64_t ms : timerIntervals()) {
        EXPECT_EQ(ms, 100u);
    }
}

// The threshold is compared as the low 16 bits of the setting, signed,
// against the absolute value of each axis in 32 bits.
TEST_F(Driver, CapMovesOnlyWhenAnAxisExceedsTheThreshold) {
    struct Case {
        int32_t threshold;
        std::array<short, 6> cap;
        bool moving;
    };
    const Case cases[] = {
        {100, {0, 100, -100, 0, 0, 100}, false},  // equal is at rest
        {100, {0, 0, 0, 0, -101, 0}, true},
        {0x10000 + 50, {50, 50, 50, 50, 50, 50}, false},  // low 16 bits: 50
        {0x1FFFF, {0, 0, 0, 0, 0, 0}, true},              // low 16 bits: -1, never at rest
        {32767, {0, 0, 0, -32768, 0, 0}, true},           // 32768 in 32 bits
    };
    for (const Case& c : cases) {
        load();
        mQx->mMinThreshold = c.threshold;
        sendCap(c.cap[0], c.cap[1], c.cap[2], c.cap[3], c.cap[4], c.cap[5]);
        runFor(200);
        EXPECT_EQ(proxy().mIsCapMoving, c.moving) << "threshold " << c.threshold;
        unload();
    }
}

TEST_F(Driver, ModeIsTakenAnewOnEveryPassWhileTheCapIsHeld) {
    arxsim::setSpace(0, 2);  // a model-space viewport of a layout
    load();
    sendCap(0, 0, 1000, 0, 0, 0);
    runUntil(250);
    ASSERT_GT(arxdrawing::viewUpdateCount(), 0);
    ASSERT_EQ(logCount("AcDbObjectPointer could not be retrieved!"), 0);

    const int viewUpdates = arxdrawing::viewUpdateCount();
    arxsim::setSpace(0, 1);  // the user switches to paper space, cap still held
    runUntil(1300);
    EXPECT_EQ(proxy().mNavMode, 1);
    // From the next pass on the 2D handler runs (and, the document not being
    // locked by a motion begun in 3D, cannot open the viewport for write).
    EXPECT_LE(arxdrawing::viewUpdateCount() - viewUpdates, 1);
    EXPECT_GT(logCount("AcDbObjectPointer could not be retrieved!"), 0);
}

TEST_F(Driver, NavigationModeIs2DOnlyInALayoutsPaperSpace) {
    load();
    struct Case {
        int tilemode;
        int cvport;
        int32_t mode;
    };
    for (const Case& c : {Case{1, 2, 2}, Case{0, 1, 1}, Case{0, 2, 2}, Case{1, 1, 2}}) {
        arxsim::setSpace(c.tilemode, c.cvport);
        EXPECT_EQ(proxy().retrieveNavMode(), c.mode) << c.tilemode << "/" << c.cvport;
        EXPECT_EQ(proxy().mNavMode, c.mode);
    }
    arxsim::setSpace(0, 1);
    arxsim::closeDocument();  // nothing can be read: assume 3D
    EXPECT_EQ(proxy().retrieveNavMode(), 2);
}

TEST_F(Driver, MotionStartsWithin100msAtRestAndStepsEvery10msPlusTheTick) {
    load();
    proxy().mMaxContMoveTime = 1;  // a tick ends right after its first passes
    runUntil(150);
    sendCap(0, 0, 300, 0, 0, 0);  // at 150, half-way between two ticks
    transcript::clearCaptured();
    runUntil(400);
    std::vector<uint64_t> views;
    for (const std::string& line : transcript::captured()) {
        if (line.find("\"ev\":\"view\"") != std::string::npos) {
            views.push_back(std::stoull(line.substr(line.find("\"t\":") + 4)));
        }
    }
    ASSERT_GE(views.size(), 3u);
    EXPECT_LE(views[0] - 150, 100u);
    // Two passes a tick (one frame each), then 10 ms to the next tick.
    EXPECT_LE(views[2] - views[1], 16u + 10u + 16u);
}
