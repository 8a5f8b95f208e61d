// Selection centres with members no session can make: an erased entity is
// left out of the mean, a name that cannot be read gives no centre, and every
// pickfirst set taken is freed.
#include "plugin_host.h"

namespace {

class Selection : public NavHost {};

TEST_F(Selection, UnreadableMembersAreHandledAndSetsFreed) {
    load();
    const int line = arxdrawing::addLine(AcGePoint3d(2, 0, 0), AcGePoint3d(2, 6, 8));
    const int other = arxdrawing::addLine(AcGePoint3d(-4, -4, 0), AcGePoint3d(0, 0, 0));
    const int circle = arxdrawing::addCircle(AcGePoint3d(10, 20, 30), 5);
    AcGePoint3d centre;
    arxdrawing::setPickfirst({line, other, circle});
    arxdrawing::eraseEntity(other);  // skipped: the mean of the others
    ASSERT_TRUE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_POINT_NEAR(AcGePoint3d(6, 11.5, 17), centre, 1e-9);

    arxdrawing::setSSNameFailureIndex(2);  // a name that cannot be read: no centre
    EXPECT_FALSE(proxy().getSelObjectsCenter(nullptr, centre));
    EXPECT_FALSE(gLastCenterResult);
    const arxdrawing::Balances b = arxdrawing::balances();
    EXPECT_EQ(2, b.setsGiven);
    EXPECT_EQ(0, b.setsLeaked());
}

}  // namespace
