// Graphics views of the drawing world: redraw cost and transcript, validity
// and the named standard views (the rest is exercised by the navigation
// tests).
#include <cmath>

#include "world_fixture.h"

namespace {

class Views : public DrawingWorld {};

TEST_F(Views, UpdateCostsOneFrameAndIsRecorded) {
    AcGsView* view = acgsGetGsView(2, true);
    view->setView(AcGePoint3d(1, 2, 3), AcGePoint3d(1, 2, 0), AcGeVector3d(0, 1, 0), 40, 30,
                  AcGsView::kPerspective);
    const auto before = win32sim::nowMs();
    view->update();
    EXPECT_EQ(before + 16, win32sim::nowMs());
    ASSERT_EQ(1u, linesOf("view").size());
    EXPECT_NE(std::string::npos,
              linesOf("view")[0].find("\"vp\":2,\"position\":[1,2,3],\"target\":[1,2,0],"
                                      "\"up\":[0,1,0],\"width\":40,\"height\":30,"
                                      "\"perspective\":true"));
    arxworld::setFrameMs(0);
    view->update();
    EXPECT_EQ(before + 16, win32sim::nowMs());
    EXPECT_EQ(2, arxworld::viewUpdateCount());
}

TEST_F(Views, DegenerateOrMarkedViewsAreNotValid) {
    AcGsView* view = acgsGetGsView(2, true);
    EXPECT_TRUE(view->isValid());
    arxworld::setViewMarkedInvalid(2, true);
    EXPECT_FALSE(view->isValid());
    arxworld::setViewMarkedInvalid(2, false);
    view->setView(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 0, 0), AcGeVector3d(0, 1, 0), 1, 1);
    EXPECT_FALSE(view->isValid()) << "camera on the target";
    view->setView(AcGePoint3d(0, 0, 1), AcGePoint3d(0, 0, 0), AcGeVector3d(0, 1, 0), std::nan(""),
                  1);
    EXPECT_FALSE(view->isValid()) << "NaN field";
}

TEST_F(Views, NamedViewsKeepTargetDistanceAndField) {
    arxworld::ViewParams start;
    start.target = AcGePoint3d(10, 20, 30);
    start.position = AcGePoint3d(10, 20, 80);  // distance 50
    start.width = 60;
    start.height = 40;
    arxworld::setModelView(2, start);
    ASSERT_TRUE(arxworld::setNamedView(2, "front"));
    arxworld::ViewParams v = arxworld::storedView(2);
    EXPECT_POINT_NEAR(AcGePoint3d(10, -30, 30), v.position, 1e-12);
    EXPECT_POINT_NEAR(AcGeVector3d(0, 0, 1), v.up, 1e-12);
    EXPECT_EQ(60.0, v.width);

    ASSERT_TRUE(arxworld::setNamedView(2, "iso"));
    v = arxworld::storedView(2);
    const double s = 50.0 / std::sqrt(3.0);
    EXPECT_POINT_NEAR(AcGePoint3d(10 + s, 20 - s, 30 + s), v.position, 1e-12);
    EXPECT_NEAR(0.0, v.up.dotProduct(v.position - v.target), 1e-12);
    EXPECT_GT(v.up.z, 0.0);
    EXPECT_NEAR(1.0, v.up.length(), 1e-12);
    EXPECT_FALSE(arxworld::setNamedView(2, "sideways"));

    // A live graphics view follows.
    AcGsView* view = acgsGetGsView(2, true);
    ASSERT_TRUE(arxworld::setNamedView(2, "top"));
    EXPECT_POINT_NEAR(AcGePoint3d(10, 20, 80), view->position(), 1e-12);
}

}  // namespace
