// The key accounting of the stress run: it must tell a replaced key from a
// lost one, or the stress proves nothing.
#include <gtest/gtest.h>

#include "key_check.h"

namespace {

using stress::checkKeys;
using stress::Window;

constexpr int kMenu = 100;

Window pass(std::uint64_t storedBefore, std::uint64_t readBy, std::vector<int> ran,
            bool documentOpen = true) {
    return Window{storedBefore, readBy, documentOpen, true, std::move(ran)};
}

// A stretch of the host's work without a driver pass (a frame's wait, the
// time between ticks).
Window noPass(std::uint64_t storedBefore, std::uint64_t readBy) {
    return Window{storedBefore, readBy, true, false, {}};
}

TEST(KeyCheck, KeysArrivingTogetherReplaceEachOtherButTheLastRuns) {
    // Keys are events 10, 11 and 12, all read before the pass that runs 2.
    const auto v = checkKeys({10, 11, 12}, kMenu, {pass(5, 9, {}), pass(20, 21, {2})});
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.executed, 1);
    EXPECT_EQ(v.replaced, 2);
}

TEST(KeyCheck, AKeyPendingAloneWhenAPassBeganThatNeverRunsIsLost) {
    // Key 0 (event 10) was stored before the second pass began and key 1
    // (event 50) came after it ended: that pass had to run key 0.
    const auto v =
        checkKeys({10, 50}, kMenu, {pass(5, 9, {}), pass(20, 30, {}), pass(60, 61, {1})});
    ASSERT_EQ(v.violations.size(), 1u);
    EXPECT_NE(v.violations[0].find("key 0"), std::string::npos) << v.violations[0];
    EXPECT_EQ(v.executed, 1);
}

TEST(KeyCheck, OnlyAPassThatSurelyFoundTheKeyAloneObligesIt) {
    // Key 1 may have been read while the first pass ran: key 0 may have been
    // replaced before any take.
    auto v = checkKeys({10, 25}, kMenu, {pass(20, 30, {}), pass(40, 41, {1})});
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.replaced, 1);
    // No pass at all while key 0 waited alone.
    v = checkKeys({10, 50}, kMenu, {noPass(20, 30), pass(60, 61, {1})});
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.replaced, 1);
}

TEST(KeyCheck, KeysTakenWithoutADrawingAreDroppedNotLost) {
    const auto v = checkKeys({10, 50}, kMenu, {pass(20, 30, {}, false), pass(60, 61, {1}, true)});
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.droppedNoDrawing, 1);
}

TEST(KeyCheck, RunningAKeyTwiceOrBeforeItWasReadOrWithoutADrawingIsCaught) {
    EXPECT_EQ(checkKeys({10}, kMenu, {pass(20, 21, {0}), pass(30, 31, {0})}).violations.size(), 1u);
    EXPECT_EQ(checkKeys({10}, kMenu, {pass(2, 5, {0})}).violations.size(), 1u);
    EXPECT_EQ(checkKeys({10}, kMenu, {pass(20, 21, {0}, false)}).violations.size(), 1u);
    // An entry nobody asked for, and key 0 never run although it had a tick.
    EXPECT_EQ(checkKeys({10}, kMenu, {pass(20, 21, {7})}).violations.size(), 2u);
}

TEST(KeyCheck, KeyNumbersWrapAroundTheMenu) {
    // Keys 0..2 with a menu of 2 entries: key 2 runs entry 0 again.
    const auto v =
        checkKeys({10, 20, 30}, 2, {pass(15, 16, {0}), pass(25, 26, {1}), pass(35, 36, {0})});
    EXPECT_TRUE(v.violations.empty());
    EXPECT_EQ(v.executed, 3);
}

}  // namespace
