// The live pages' secrets: which are kept when a new page needs room, and
// one event stream per page.

#include <gtest/gtest.h>

#include "live_hub.h"

namespace qxsim {
namespace {

using namespace std::chrono_literals;

TEST(PageHub, FullKeepsSecretsInUseAndDropsTheOldestIdleOne) {
    PageHub hub;
    const PageHub::Clock::time_point t0{};
    std::vector<PageTicket> pages;
    for (std::size_t i = 0; i < PageHub::kTickets; ++i) {
        pages.push_back(*hub.issue(t0));
    }
    std::string first;
    std::uint64_t cursor = 0;
    ASSERT_EQ(hub.open(pages[1].number, first, cursor), PageHub::Opened::Yes);
    for (std::size_t i = 2; i < PageHub::kTickets; ++i) {
        ASSERT_EQ(hub.pageOf(pages[i].token, t0 + 1min), pages[i].number);
    }
    // Only page 0 is spare; once it is gone every other is in use until ten
    // minutes after its last use, except page 1, whose stream is open.
    const std::optional<PageTicket> extra = hub.issue(t0 + 2min);
    ASSERT_TRUE(extra);
    EXPECT_EQ(hub.pageOf(extra->token, t0 + 2min), extra->number);
    EXPECT_EQ(hub.pageOf(pages[0].token, t0 + 2min), 0u);
    EXPECT_FALSE(hub.issue(t0 + 10min));
    const std::optional<PageTicket> later = hub.issue(t0 + 11min);
    ASSERT_TRUE(later);
    EXPECT_EQ(hub.pageOf(pages[1].token, t0 + 11min), pages[1].number);
    EXPECT_EQ(hub.pageOf(pages[2].token, t0 + 11min), 0u);
    EXPECT_EQ(hub.pageOf(later->token, t0 + 11min), later->number);

    // A guess that differs in the last digit, or is longer, names no page.
    std::string guess = later->token;
    guess.back() = guess.back() == '0' ? '1' : '0';
    EXPECT_EQ(hub.pageOf(guess), 0u);
    EXPECT_EQ(hub.pageOf(later->token + "0"), 0u);
    EXPECT_EQ(hub.pageOf(""), 0u);
}

TEST(PageHub, PageHasOneEventStreamAndASecondLeavesTheFirstSteering) {
    PageHub hub;
    const PageTicket a = *hub.issue(), b = *hub.issue();
    std::string first;
    std::uint64_t cursor = 0;
    ASSERT_EQ(hub.open(a.number, first, cursor), PageHub::Opened::Yes);
    EXPECT_EQ(hub.open(a.number, first, cursor), PageHub::Opened::PageHasOne);
    EXPECT_TRUE(hub.steers(a.number));
    EXPECT_FALSE(hub.takeGone(1s));
    EXPECT_EQ(hub.open(b.number, first, cursor), PageHub::Opened::Yes);
    EXPECT_FALSE(hub.steers(b.number));
}

}  // namespace
}  // namespace qxsim
