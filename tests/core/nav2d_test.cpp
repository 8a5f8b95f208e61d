// 2D navigation in a layout's paper space when the active viewport cannot be
// opened, which no session can bring about: the pass changes nothing.
#include "plugin_host.h"

namespace {

class Nav2d : public NavHost {};

TEST_F(Nav2d, AViewportThatCannotBeOpenedChangesNothing) {
    load();
    arxsim::setSpace(0, 1);
    arxdrawing::setPaperView({100, 50, 150, 400, 300});
    arxdrawing::setPaperViewportOpenable(false);
    pass(2000, 0, 2000);
    EXPECT_EQ(2, logCount("AcDbObjectPointer could not be retrieved!"));  // pan2D and zoom2D
    EXPECT_EQ(100.0, arxdrawing::paperView().centerX);
    release();
}

}  // namespace
