// Scroll mode: which window under the pointer takes a deflection, which
// messages it gets and how long the pass pauses.

#include <windows.h>

#include <string>
#include <vector>

#include "plugin_world.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace {

using win32sim::ScrollBarSpec;
using win32sim::WindowSpec;

constexpr int kFrame = 1;
constexpr int kTarget = 2;

WindowSpec window(int id, const wchar_t* cls, RECT rect, int parent = 0) {
    WindowSpec s;
    s.id = id;
    s.className = cls;
    s.rect = rect;
    s.parentId = parent;
    return s;
}

class ScrollMode : public PluginWorld {
protected:
    void SetUp() override {
        PluginWorld::SetUp();
        load();
        win32sim::addWindow(window(kFrame, L"AfxFrameOrView", {0, 0, 1000, 800}));
        win32sim::setCursorPos(50, 50);
    }
    // A control under the pointer, child of the frame.
    void addControl(const wchar_t* cls, std::optional<ScrollBarSpec> scroll) {
        auto spec = window(kTarget, cls, {10, 10, 300, 300}, kFrame);
        spec.scroll = scroll;
        win32sim::addWindow(spec);
    }
    // Runs one pass; returns its result and stores the pause it made.
    bool scroll(int x, int y, int z) {
        const auto before = win32sim::nowMs();
        const bool taken = proxy().scrollWindowUnderCursor(x, y, z);
        mPauseMs = win32sim::nowMs() - before;
        return taken;
    }
    std::vector<win32sim::SentMessage> messages() const { return win32sim::sentMessages(); }
    int position(int bar = SB_VERT) const { return win32sim::scrollBarState(kTarget, bar)->pos; }

    std::uint64_t mPauseMs = 0;
};

TEST_F(ScrollMode, ListViewScrollsUpByNineLinesAndPauses) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 10, 50});
    EXPECT_TRUE(scroll(0, 0, -40));
    const auto sent = messages();
    ASSERT_EQ(sent.size(), 9u);
    for (const auto& m : sent) {
        EXPECT_EQ(m.window, kTarget);
        EXPECT_EQ(m.msg, static_cast<UINT>(WM_VSCROLL));
        EXPECT_EQ(m.wparam, static_cast<WPARAM>(SB_LINEUP));
        EXPECT_EQ(m.lparam, 0);
    }
    EXPECT_EQ(position(), 41);
    EXPECT_EQ(mPauseMs, 130u);
    EXPECT_EQ(events("sleep").size(), 1u);
}

TEST_F(ScrollMode, ListAtItsTopStillTakesThePassAndPauses) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 10, 0});
    EXPECT_TRUE(scroll(0, 0, -40));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(mPauseMs, 130u);
}

TEST_F(ScrollMode, ListAtItsEndSendsNoLineDown) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 10, 990});
    EXPECT_TRUE(scroll(0, 0, 40));
    EXPECT_TRUE(messages().empty()) << "page + position is beyond the maximum";
}

TEST_F(ScrollMode, UnusableScrollInformationLeavesThePassToNavigation) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 0, 5});  // page size 0
    EXPECT_FALSE(scroll(0, 0, -40));
    EXPECT_EQ(mPauseMs, 0u);
    win32sim::resetDesktop();
    win32sim::addWindow(window(kFrame, L"AfxFrameOrView", {0, 0, 1000, 800}));
    addControl(L"SysTreeView32", std::nullopt);  // no scroll bars to read
    EXPECT_FALSE(scroll(0, 0, -40));
    EXPECT_TRUE(messages().empty());
}

TEST_F(ScrollMode, PureRotationOverATreeIsSwallowedWithoutPause) {
    addControl(L"SysTreeView32", ScrollBarSpec{0, 999, 10, 5});
    EXPECT_TRUE(scroll(0, 0, 0));
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(mPauseMs, 0u);
}

TEST_F(ScrollMode, StrongerYScrollsAgainstItsSign) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 10, 500});
    EXPECT_TRUE(scroll(0, 30, 10));
    EXPECT_EQ(position(), 491) << "y = 30 scrolls up";
    EXPECT_TRUE(scroll(0, -30, 10));
    EXPECT_EQ(position(), 500) << "y = -30 scrolls down";
    EXPECT_TRUE(scroll(0, 10, 30));
    EXPECT_EQ(position(), 509) << "z wins when it is larger";
}

TEST_F(ScrollMode, SidewaysScrollsTheHorizontalBar) {
    addControl(L"ListBox", ScrollBarSpec{0, 250, 20, 0});
    EXPECT_TRUE(scroll(100, 0, 10));
    const auto sent = messages();
    ASSERT_EQ(sent.size(), 2u) << "maximum 250 gives two lines";
    EXPECT_EQ(sent[0].msg, static_cast<UINT>(WM_HSCROLL));
    EXPECT_EQ(sent[0].wparam, static_cast<WPARAM>(SB_LINERIGHT));
    EXPECT_EQ(position(SB_HORZ), 2);
    EXPECT_EQ(mPauseMs, 100u);
    EXPECT_TRUE(scroll(-50, 0, 50)) << "|h| = |v|: no direction";
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(ScrollMode, ShortRangePausesLonger) {
    addControl(L"SysListView32", ScrollBarSpec{0, 20, 5, 0});
    EXPECT_TRUE(scroll(0, 0, 298));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(mPauseMs, 1u + 30u) << "full deflection 1 ms, range 20 adds 30 ms";
}

TEST_F(ScrollMode, ClassNamesAreMatchedByContainmentExceptQWidget) {
    addControl(L"RichEdit20W", ScrollBarSpec{0, 999, 10, 5});
    EXPECT_TRUE(scroll(0, 0, -40)) << "contains Edit";
    win32sim::resetDesktop();
    win32sim::addWindow(window(kFrame, L"AfxFrameOrView", {0, 0, 1000, 800}));
    addControl(L"QWidgetX", ScrollBarSpec{0, 999, 10, 5});
    EXPECT_FALSE(scroll(0, 0, -40));
    win32sim::resetDesktop();
    win32sim::addWindow(window(kFrame, L"AfxFrameOrView", {0, 0, 1000, 800}));
    addControl(L"listbox", ScrollBarSpec{0, 999, 10, 5});
    EXPECT_FALSE(scroll(0, 0, -40)) << "case-sensitive";
}

TEST_F(ScrollMode, QtWidgetGetsOneWheelMessage) {
    addControl(L"QWidget", std::nullopt);
    EXPECT_TRUE(scroll(50, 0, 10));
    auto sent = messages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].msg, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(sent[0].wparam, 0xFF880000u) << "x > 0 turns the wheel by -120";
    EXPECT_EQ(sent[0].lparam, MAKELPARAM(50, 50)) << "the pointer position";
    EXPECT_EQ(win32sim::updateWindowCount(kTarget), 1);
    EXPECT_EQ(mPauseMs, 125u);

    EXPECT_TRUE(scroll(0, 40, 0));
    sent = messages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].wparam, 0x00780000u) << "v < 0 turns the wheel by +120";
}

TEST_F(ScrollMode, SwitchedOffTouchesNoWindow) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 10, 5});
    mQx->mScrollTreeAndList = false;
    const auto calls = win32sim::desktopCallCount();
    EXPECT_FALSE(scroll(0, 0, -40));
    EXPECT_EQ(win32sim::desktopCallCount(), calls);
}

TEST_F(ScrollMode, PointerOverNoControlLeavesThePass) {
    addControl(L"SysListView32", ScrollBarSpec{0, 999, 10, 5});
    win32sim::setCursorPos(900, 700);  // over the frame only
    EXPECT_FALSE(scroll(0, 0, -40));
    win32sim::setCursorPos(5000, 5000);  // over no window
    EXPECT_FALSE(scroll(0, 0, -40));
}

// ---- findWindowUnderPoint ------------------------------------------------------

class WindowUnderPoint : public ::testing::Test {
protected:
    void SetUp() override { win32sim::resetDesktop(); }
    void TearDown() override { win32sim::resetDesktop(); }
    static HWND h(int id) { return win32sim::windowHandle(id); }
};

TEST_F(WindowUnderPoint, ATopLevelWindowIsItsOwnTarget) {
    win32sim::addWindow(window(1, L"Top", {0, 0, 100, 100}));
    EXPECT_EQ(findWindowUnderPoint({5, 5}), h(1));
    EXPECT_EQ(findWindowUnderPoint({500, 5}), nullptr);
}

TEST_F(WindowUnderPoint, SmallerSiblingBelowAndItsChildrenWin) {
    win32sim::addWindow(window(1, L"Frame", {0, 0, 1000, 800}));
    win32sim::addWindow(window(2, L"Button", {0, 0, 500, 500}, 1));  // a group box on top
    win32sim::addWindow(window(3, L"Panel", {10, 10, 200, 200}, 1));
    auto hidden = window(4, L"Hidden", {20, 20, 40, 40}, 1);
    hidden.visible = false;
    win32sim::addWindow(hidden);
    win32sim::addWindow(window(5, L"SysListView32", {20, 20, 100, 100}, 3));
    win32sim::addWindow(window(6, L"Elsewhere", {150, 150, 160, 160}, 3));

    ASSERT_EQ(WindowFromPoint({30, 30}), h(2));
    EXPECT_EQ(findWindowUnderPoint({30, 30}), h(5)) << "panel below, then its list";
    EXPECT_EQ(findWindowUnderPoint({190, 190}), h(3)) << "no child of the panel there";
    EXPECT_EQ(findWindowUnderPoint({300, 300}), h(2));
}

TEST_F(WindowUnderPoint, OfEqualAreasTheFirstInZOrderStays) {
    win32sim::addWindow(window(1, L"Frame", {0, 0, 1000, 800}));
    win32sim::addWindow(window(2, L"Big", {0, 0, 500, 500}, 1));
    win32sim::addWindow(window(3, L"A", {0, 0, 100, 100}, 1));
    win32sim::addWindow(window(4, L"B", {0, 0, 100, 100}, 1));
    EXPECT_EQ(findWindowUnderPoint({50, 50}), h(3));
}

}  // namespace
