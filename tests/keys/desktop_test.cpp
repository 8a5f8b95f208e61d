// The simulated desktop where the plug-in's own tests do not reach it: hit
// testing through hidden windows, a list's scroll range, scroll-information
// record checks and the ANSI code page.

#include <windows.h>

#include <gtest/gtest.h>

#include "win32_desktop_control.h"

namespace {

win32sim::WindowDescription win(int id, const wchar_t* cls, RECT r, int parent = 0) {
    win32sim::WindowDescription s;
    s.id = id;
    s.className = cls;
    s.rect = r;
    s.parentId = parent;
    return s;
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override { win32sim::resetDesktop(); }
    void TearDown() override { win32sim::resetDesktop(); }
};

TEST_F(Desktop, WindowFromPointFindsTheDeepestVisibleWindow) {
    win32sim::addWindow(win(1, L"Frame", {0, 0, 1000, 800}));
    win32sim::addWindow(win(2, L"Panel", {0, 0, 400, 800}, 1));
    win32sim::addWindow(win(3, L"SysListView32", {10, 10, 390, 300}, 2));
    EXPECT_EQ(WindowFromPoint({50, 50}), win32sim::windowHandle(3));
    EXPECT_EQ(WindowFromPoint({900, 500}), win32sim::windowHandle(1));
    EXPECT_EQ(WindowFromPoint({1000, 800}), nullptr) << "right and bottom edges lie outside";

    win32sim::setWindowVisible(2, false);
    EXPECT_EQ(WindowFromPoint({50, 50}), win32sim::windowHandle(1));
    EXPECT_FALSE(IsWindowVisible(win32sim::windowHandle(3))) << "hidden with its parent";
}

TEST_F(Desktop, LineMessagesKeepAListWithinItsRange) {
    auto list = win(7, L"SysListView32", {0, 0, 100, 100});
    list.scroll = win32sim::ScrollBarDescription{0, 20, 10, 1};
    const HWND h = win32sim::addWindow(list);
    for (int i = 0; i < 3; ++i) {
        SendMessageW(h, WM_VSCROLL, SB_LINEUP, 0);
    }
    EXPECT_EQ(win32sim::scrollBarState(7, SB_VERT)->pos, 0);
    for (int i = 0; i < 15; ++i) {
        SendMessageW(h, WM_VSCROLL, SB_LINEDOWN, 0);
    }
    EXPECT_EQ(win32sim::scrollBarState(7, SB_VERT)->pos, 11) << "the last page stays full";
    EXPECT_EQ(win32sim::scrollBarState(7, SB_HORZ)->pos, 1) << "the other bar is untouched";

    SCROLLINFO si{};
    si.cbSize = 24;  // not the record's size
    si.fMask = SIF_ALL;
    EXPECT_FALSE(GetScrollInfo(h, SB_VERT, &si));
    si.cbSize = sizeof(SCROLLINFO);
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
    EXPECT_EQ(si.nPos, 11);
    EXPECT_EQ(si.nTrackPos, 11);
}

TEST_F(Desktop, WideToAnsiUsesTheDefaultCharacterForMissingOnes) {
    char buf[32];
    BOOL used = FALSE;
    const int n =
        WideCharToMultiByte(CP_ACP, 0, L"caf\u00e9 \u20ac \u4e2d", -1, buf, sizeof buf, " ", &used);
    EXPECT_EQ(n, 9) << "eight characters and the terminating zero";
    EXPECT_STREQ(buf, "caf\xe9 \x80  ");
    EXPECT_TRUE(used);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"abcdef", -1, buf, 3, nullptr, nullptr), 0)
        << "buffer too small";
}

}  // namespace
