// Scroll mode: which window under the pointer takes a deflection, which
// messages it gets and how long the pass pauses.

#include <windows.h>

#include <string>

#include "plugin_host.h"
#include "scroll_mode.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace {

using win32sim::ScrollBarDescription;

constexpr int kTarget = 2;

win32sim::WindowDescription window(int id, const wchar_t* cls, RECT rect, int parent = 0) {
    win32sim::WindowDescription s;
    s.id = id;
    s.className = cls;
    s.rect = rect;
    s.parentId = parent;
    return s;
}

class ScrollMode : public PluginHost {
protected:
    void SetUp() override {
        PluginHost::SetUp();
        load();
    }
    // A frame with one control under the pointer.
    void desktopWith(const wchar_t* cls, std::optional<ScrollBarDescription> scroll) {
        win32sim::resetDesktop();
        win32sim::addWindow(window(1, L"AfxFrameOrView", {0, 0, 1000, 800}));
        auto control = window(kTarget, cls, {10, 10, 300, 300}, 1);
        control.scroll = scroll;
        win32sim::addWindow(control);
        win32sim::setCursorPos(50, 50);
    }
    // One pass; stores the pause it made (the host thread's Sleep).
    bool scroll(int x, int y, int z) {
        const auto sleepsBefore = events("sleep").size();
        const bool taken = proxy().scrollWindowUnderCursor(x, y, z);
        const auto sleeps = events("sleep");
        mPauseMs = sleeps.size() == sleepsBefore ? 0 : msOf(sleeps.back());
        return taken;
    }
    static std::uint64_t msOf(const std::string& sleepLine) {
        return std::stoull(sleepLine.substr(sleepLine.find("\"ms\":") + 5));
    }
    static std::size_t messages() { return win32sim::sentMessages().size(); }
    static int position(int bar = SB_VERT) { return win32sim::scrollBarState(kTarget, bar)->pos; }

    std::uint64_t mPauseMs = 0;
};

// Nine line messages and a 130 ms pause a pass are pinned down end to end
// (tests/e2e, scenarios/scroll).
TEST_F(ScrollMode, ListAtTheTopTakesThePassWithoutAMessageAndPauses) {
    desktopWith(L"SysListView32", ScrollBarDescription{0, 999, 10, 0});
    EXPECT_TRUE(scroll(0, 0, -40));
    EXPECT_EQ(messages(), 0u);
    EXPECT_EQ(mPauseMs, 130u);
}

TEST_F(ScrollMode, DirectionFollowsTheLargerAxis) {
    desktopWith(L"SysListView32", ScrollBarDescription{0, 999, 10, 500});
    EXPECT_TRUE(scroll(0, 30, 10));
    EXPECT_EQ(position(), 491) << "y = 30 scrolls up";
    EXPECT_TRUE(scroll(0, -30, 10));
    EXPECT_EQ(position(), 500) << "y = -30 scrolls down";
    EXPECT_TRUE(scroll(100, 0, 10));
    EXPECT_EQ(position(SB_HORZ), 509) << "sideways moves the horizontal bar";
    EXPECT_EQ(mPauseMs, 100u);
    EXPECT_TRUE(scroll(-50, 0, 50)) << "|h| = |v|: taken without a message";
    EXPECT_TRUE(scroll(0, 0, 0)) << "a pure rotation is swallowed";
    EXPECT_EQ(mPauseMs, 0u);
    EXPECT_EQ(messages(), 27u);
}

TEST_F(ScrollMode, RangeSetsLinesAndExtraPause) {
    desktopWith(L"SysTreeView32", ScrollBarDescription{0, 20, 5, 0});
    EXPECT_TRUE(scroll(0, 0, 298));
    EXPECT_EQ(messages(), 1u);
    EXPECT_EQ(mPauseMs, 31u) << "full deflection 1 ms, range 20 adds 30 ms";

    desktopWith(L"SysListView32", ScrollBarDescription{0, 300, 10, 0});
    EXPECT_TRUE(scroll(0, 0, 298));
    EXPECT_EQ(messages(), 3u) << "one line per hundred of the range";

    desktopWith(L"SysListView32", ScrollBarDescription{0, 999, 10, 990});
    EXPECT_TRUE(scroll(0, 0, 40));
    EXPECT_EQ(messages(), 0u) << "page + position is beyond the maximum";
}

TEST_F(ScrollMode, UnusableControlsLeaveThePassToNavigation) {
    desktopWith(L"SysListView32", ScrollBarDescription{0, 999, 0, 5});
    EXPECT_FALSE(scroll(0, 0, -40)) << "page size 0";
    desktopWith(L"SysTreeView32", std::nullopt);
    EXPECT_FALSE(scroll(0, 0, -40)) << "no scroll information";
    desktopWith(L"QWidgetX", ScrollBarDescription{0, 999, 10, 5});
    EXPECT_FALSE(scroll(0, 0, -40)) << "only the whole name QWidget";
    desktopWith(L"listbox", ScrollBarDescription{0, 999, 10, 5});
    EXPECT_FALSE(scroll(0, 0, -40)) << "case-sensitive";
    EXPECT_EQ(mPauseMs, 0u);
    EXPECT_EQ(messages(), 0u);

    desktopWith(L"RichEdit20W", ScrollBarDescription{0, 999, 10, 5});
    EXPECT_TRUE(scroll(0, 0, -40)) << "contains Edit";
    win32sim::setCursorPos(900, 700);  // over the frame only
    EXPECT_FALSE(scroll(0, 0, -40));
}

TEST_F(ScrollMode, QtWidgetGetsOneWheelMessage) {
    desktopWith(L"QWidget", std::nullopt);
    EXPECT_TRUE(scroll(50, 0, 10));
    EXPECT_TRUE(scroll(0, 40, 0));
    const auto sent = win32sim::sentMessages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].msg, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(sent[0].wparam, 0xFF880000u) << "x > 0 turns the wheel by -120";
    EXPECT_EQ(sent[0].lparam, MAKELPARAM(50, 50)) << "the pointer position";
    EXPECT_EQ(sent[1].wparam, 0x00780000u) << "v < 0 turns the wheel by +120";
    EXPECT_EQ(win32sim::updateWindowCount(kTarget), 2);
    EXPECT_EQ(mPauseMs, 130u);
}

TEST_F(ScrollMode, SwitchedOffTouchesNoWindow) {
    desktopWith(L"SysListView32", ScrollBarDescription{0, 999, 10, 5});
    mQx->mScrollTreeAndList = false;
    const auto calls = win32sim::desktopCallCount();
    EXPECT_FALSE(scroll(0, 0, -40));
    EXPECT_EQ(win32sim::desktopCallCount(), calls);
}

// ---- findWindowUnderPoint ------------------------------------------------------

TEST(WindowUnderPoint, SmallerVisibleSiblingBelowAndItsChildrenWin) {
    win32sim::resetDesktop();
    win32sim::addWindow(window(1, L"Frame", {0, 0, 1000, 800}));
    win32sim::addWindow(window(2, L"Button", {0, 0, 500, 500}, 1));  // a group box on top
    win32sim::addWindow(window(3, L"Panel", {10, 10, 200, 200}, 1));
    auto hidden = window(4, L"Hidden", {20, 20, 40, 40}, 1);
    hidden.visible = false;
    win32sim::addWindow(hidden);
    win32sim::addWindow(window(5, L"SysListView32", {20, 20, 100, 100}, 3));
    win32sim::addWindow(window(6, L"SameSize", {20, 20, 100, 100}, 3));
    const auto h = [](int id) { return win32sim::windowHandle(id); };

    ASSERT_EQ(WindowFromPoint({30, 30}), h(2));
    EXPECT_EQ(findWindowUnderPoint({30, 30}), h(5)) << "panel below, then the first of equals";
    EXPECT_EQ(findWindowUnderPoint({190, 190}), h(3)) << "no child of the panel there";
    EXPECT_EQ(findWindowUnderPoint({300, 300}), h(2));
    EXPECT_EQ(findWindowUnderPoint({900, 700}), h(1)) << "a window without parent is the target";
    win32sim::resetDesktop();
}

}  // namespace
