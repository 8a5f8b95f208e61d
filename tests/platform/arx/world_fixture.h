// Fixture of the drawing-world and navigation tests: every test starts in a
// fresh virtual-time world (Model tab, one open drawing, the initial view, no
// entities) with the transcript captured, and ends by checking that nothing
// was left open and no selection set leaked.
#pragma once

#include <cmath>
#include <iomanip>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arxHeaders.h"
#include "arx_control.h"
#include "arx_world_control.h"
#include "captured_events.h"
#include "transcript.h"
#include "win32_control.h"

class DrawingWorld : public ::testing::Test {
protected:
    void SetUp() override {
        win32sim::resetWorld();
        arxsim::reset();
        arxworld::reset();
        transcript::setMemoryCapture(true);
        transcript::clearCaptured();
    }
    void TearDown() override {
        const arxworld::Balances b = arxworld::balances();
        EXPECT_EQ(0, b.stillOpen()) << "objects left open";
        EXPECT_EQ(0, b.setsLeaked()) << "selection sets not freed";
        transcript::setMemoryCapture(false);
        transcript::clearCaptured();
        arxworld::reset();
        arxsim::reset();
        win32sim::resetWorld();
    }

    // Captured transcript lines of kind `ev`.
    static std::vector<std::string> linesOf(const std::string& ev) { return captured::ofKind(ev); }

    static void lockDocument() {
        acDocManagerPtr()->lockDocument(acDocManagerPtr()->curDocument(), AcAp::kWrite);
    }
    static void unlockDocument() {
        acDocManagerPtr()->unlockDocument(acDocManagerPtr()->curDocument());
    }
};

inline AcDbObjectId entityId(int index) {
    ads_name sel = {0, 0};
    arxworld::setPickfirst({index});
    EXPECT_EQ(RTNORM, acedSSGet(L"I", nullptr, nullptr, nullptr, sel));
    ads_name ent = {0, 0};
    EXPECT_EQ(RTNORM, acedSSName(sel, 0, ent));
    AcDbObjectId id;
    EXPECT_EQ(Acad::eOk, acdbGetObjectId(id, ent));
    acedSSFree(sel);
    arxworld::setPickfirst({});
    return id;
}

// Points and vectors equal within `tol` in every coordinate.
template <class Expected, class Actual>
::testing::AssertionResult pointsNear(const char* expectedText, const char* actualText, const char*,
                                      const Expected& e, const Actual& a, double tol) {
    if (std::fabs(e.x - a.x) <= tol && std::fabs(e.y - a.y) <= tol && std::fabs(e.z - a.z) <= tol) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::setprecision(17) << actualText << " is (" << a.x << ", " << a.y << ", " << a.z
           << "), " << expectedText << " is (" << e.x << ", " << e.y << ", " << e.z
           << "), tolerance " << tol;
}
#define EXPECT_POINT_NEAR(expected, actual, tol) \
    EXPECT_PRED_FORMAT3(pointsNear, expected, actual, tol)
