// Scroll mode: a Qt widget under the pointer is repainted after its wheel
// message. Which window takes a deflection, the messages and the pauses are
// pinned down end to end (tests/e2e, scenarios scroll and scroll_controls).

#include "plugin_host.h"
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

}  // namespace
