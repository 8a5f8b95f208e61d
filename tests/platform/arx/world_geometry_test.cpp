// Geometry value types: rotation sense and the order of matrix products
// (the navigation tests check the rest against hand-worked numbers).
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "arx_geometry.h"
#include "world_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTol = 1e-12;

TEST(Geometry, RotationsFollowTheRightHandRule) {
    AcGePoint3d p(1, 0, 0);
    EXPECT_POINT_NEAR(AcGePoint3d(0, 1, 0), p.rotateBy(kPi / 2, AcGeVector3d::kZAxis), kTol);
    AcGeVector3d v(0, 1, 0);
    EXPECT_POINT_NEAR(AcGeVector3d(0, 0, 1), v.rotateBy(kPi / 2, AcGeVector3d::kXAxis), kTol);
    // About a line through (1,0,0): a half turn mirrors the point about it.
    AcGePoint3d q(3, 0, 5);
    EXPECT_POINT_NEAR(AcGePoint3d(-1, 0, 5),
                      q.rotateBy(kPi, AcGeVector3d(0, 0, 7), AcGePoint3d(1, 0, 0)), kTol);
    // The axis need not be of unit length; a zero axis changes nothing.
    AcGeVector3d w(1, 2, 3);
    EXPECT_POINT_NEAR(AcGeVector3d(1, 2, 3), w.rotateBy(1.0, AcGeVector3d()), kTol);
}

TEST(Geometry, MatrixProductAppliesTheRightFactorFirst) {
    AcGeMatrix3d shift;
    shift.setTranslation(AcGeVector3d(10, 0, 0));
    const AcGeMatrix3d turn = AcGeMatrix3d::rotation(kPi / 2, AcGeVector3d::kZAxis);
    // Turn (1,0,0) to (0,1,0), then shift.
    EXPECT_POINT_NEAR(AcGePoint3d(10, 1, 0), (shift * turn) * AcGePoint3d(1, 0, 0), kTol);
    // Shift to (11,0,0), then turn.
    EXPECT_POINT_NEAR(AcGePoint3d(0, 11, 0), (turn * shift) * AcGePoint3d(1, 0, 0), kTol);
    // setTranslation replaces only the translation column.
    AcGeMatrix3d both = turn;
    both.setTranslation(AcGeVector3d(0, 0, 2));
    EXPECT_POINT_NEAR(AcGePoint3d(0, 1, 2), both * AcGePoint3d(1, 0, 0), kTol);
}

}  // namespace
