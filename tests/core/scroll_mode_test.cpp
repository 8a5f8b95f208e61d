// Scroll mode: a Qt widget under the pointer is repainted after its wheel
// message. Which window takes a deflection, the messages and the pauses are
// pinned down end to end (tests/e2e, scenarios scroll and scroll_controls).

#include "plugin_host.h"
#include "scroll_mode.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace {

class ScrollMode : public PluginHost {};

TEST_F(ScrollMode, QtWidgetIsRepaintedAfterEachWheelMessage) {
    load();
    win32sim::WindowDescription widget;
    widget.id = 1;
    widget.className = L"QWidget";
    widget.rect = {10, 10, 300, 300};
    win32sim::addWindow(widget);
    win32sim::setCursorPos(50, 50);
    EXPECT_TRUE(proxy().scrollWindowUnderCursor(50, 0, 10));
    EXPECT_TRUE(proxy().scrollWindowUnderCursor(0, 40, 0));
    EXPECT_EQ(win32sim::sentMessages().size(), 2u);
    EXPECT_EQ(win32sim::updateWindowCount(1), 2);
}

TEST_F(ScrollMode, AWindowOfTheWholeCoordinateRangeIsNotTheSmallest) {
    // Its sides overflow 32 bits, its area 63: the list stays the smallest.
    win32sim::addWindow({1, L"Frame", {0, 0, 500, 500}, 0, true, {}});
    win32sim::addWindow({2, L"SysListView32", {10, 10, 100, 100}, 1, true, {}});
    win32sim::addWindow({3, L"Pane", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 1, true, {}});
    EXPECT_EQ(findWindowUnderPoint({50, 50}), win32sim::windowHandle(2));
}

}  // namespace
