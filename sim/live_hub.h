// The hand-over between a live session's host main thread and its HTTP
// threads: steps from the steering page go in through a StepInbox, events to
// every open page go out through a PageHub. Both are thread-safe; neither
// touches the simulated world.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario.h"

namespace qxsim {

// Steps waiting for the host's main thread, in the order they came.
class StepInbox {
public:
    StepInbox() = default;
    StepInbox(const StepInbox&) = delete;
    StepInbox& operator=(const StepInbox&) = delete;

    // Returns the step's number (1, 2, ...), which frames drawn after it report.
    std::uint64_t push(Step step);
    // The first waiting step, if any; with `deviceOnly` only when it is a
    // device step (a timer tick under way may take those, nothing else).
    std::optional<std::pair<std::uint64_t, Step>> pop(bool deviceOnly);
    // Returns when a step waits, the session is to end, or at `until`.
    void waitUntil(std::chrono::steady_clock::time_point until);
    void quit();
    bool quitting() const;

private:
    mutable std::mutex mLock;
    std::condition_variable mCv;
    std::deque<std::pair<std::uint64_t, Step>> mSteps;
    std::uint64_t mLastNumber = 0;
    bool mQuit = false;
};

// Steps a page may send: a rate and a count of unload and load steps per
// minute that a person at the page does not reach but a script does.
class StepLimits {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kStepsPerSecond = 200;
    static constexpr std::size_t kReloadsPerMinute = 20;

    // Counts a step at `now`; returns why it is refused, if it is.
    std::optional<std::string> admit(StepKind kind, Clock::time_point now);

private:
    std::mutex mLock;
    std::deque<Clock::time_point> mSteps;
    std::deque<Clock::time_point> mReloads;
};

// A page as the server served it: the secret it proves itself with (never
// sent to another page) and the number every page may know it by.
struct PageTicket {
    std::string token;
    std::uint64_t number = 0;
};

// Server-Sent Events for the open pages, which page steers the session,
// and the recorded scenario the pages may download.
class PageHub {
public:
    using Clock = std::chrono::steady_clock;
    // Pages served and not yet forgotten, and event streams open at once.
    static constexpr std::size_t kTickets = 64;
    static constexpr std::size_t kStreams = 6;
    // A secret used this recently (or with an open stream) is kept.
    static constexpr std::chrono::minutes kKeptAfterUse{10};

    PageHub() = default;
    PageHub(const PageHub&) = delete;
    PageHub& operator=(const PageHub&) = delete;

    // Called (under the hub's lock: it must not call the hub) after each new
    // event, so that waiting streams read it; set before events come.
    void setBell(std::function<void()> bell);

    // Publishes one event to every page. Other events than transcript and
    // log (frames, state) are replayed to a page that opens later, the latest
    // of each name; the last transcript events and, apart, the last log
    // events are replayed too.
    void publish(std::string_view event, std::string_view data);

    // A page is served: its ticket. Past kTickets the oldest ticket without
    // an event stream and unused for kKeptAfterUse is forgotten; none when
    // every ticket is still in use.
    std::optional<PageTicket> issue(Clock::time_point now = Clock::now());
    // The number of the page whose secret `token` is, or 0; counts as a use.
    // Every ticket is compared (sameSecret).
    std::uint64_t pageOf(std::string_view token, Clock::time_point now = Clock::now());

    // A page opened its event stream: it steers the session when no other
    // open page does. Sets the events it starts with and `cursor`. A page
    // has one stream; kStreams are open at most.
    enum class Opened { Yes, PageHasOne, Full };
    Opened open(std::uint64_t page, std::string& first, std::uint64_t& cursor);
    void close(std::uint64_t page);
    bool steers(std::uint64_t page) const;
    // The page is shown or hidden (it says so when the browser tells it).
    void shown(std::uint64_t page, bool visible);
    // Why the cap is to be released: the steering page closed its stream or
    // has been hidden longer than `grace`. Each time once.
    std::optional<std::string> takeGone(std::chrono::milliseconds grace);

    // The picture of the latest frame, for a page served now; empty before one.
    std::string picture() const;
    // Publishes the session's `end` event and waits until every open stream
    // has taken it, or for `grace` at most.
    void end(std::string_view data, std::chrono::milliseconds grace);

    // The events after `cursor` (moved on), waiting up to `timeout` for one.
    // False once the hub is shut: the stream ends.
    bool next(std::uint64_t& cursor, std::string& out, std::chrono::milliseconds timeout);
    void shut();

private:
    struct Event {
        std::uint64_t id;
        std::string name;
        std::string block;  // the whole SSE block
    };
    void publishPagesLocked();
    void appendLocked(std::string_view event, std::string_view data);
    std::uint64_t steeringLocked() const { return mPages.empty() ? 0 : mPages.front(); }

    mutable std::mutex mLock;
    std::condition_variable mCv;
    std::deque<Event> mRecent;      // for pages that are reading
    std::deque<Event> mHistory;     // transcript, for pages that open later
    std::deque<Event> mLogHistory;  // log, likewise
    std::string mPicture;           // of the latest frame
    std::uint64_t mEndId = 0;       // the end event's, once published
    std::size_t mEndRead = 0;       // streams that have taken it
    std::vector<Event> mLatest;     // latest of each other kind
    std::uint64_t mNextId = 1;
    struct Ticket {
        PageTicket page;
        std::optional<Clock::time_point> lastUse;
    };
    bool streamOpenLocked(std::uint64_t page) const;

    std::deque<Ticket> mTickets;
    std::uint64_t mLastPage = 0;
    std::vector<std::uint64_t> mPages;  // open streams in the order they opened
    std::optional<std::chrono::steady_clock::time_point> mHiddenSince;  // of the steering page
    bool mHiddenTold = false;
    std::optional<std::string> mGone;
    bool mShut = false;
    std::function<void()> mBell;
};

// `digits` random hexadecimal digits, from the system's source of randomness.
std::string randomHex(int digits);

// Whether `guess` is `secret`, in time that depends on neither where they
// differ nor `guess`'s length.
bool sameSecret(std::string_view guess, std::string_view secret);

// One Server-Sent Events block: each line of `data` on a data: line.
std::string sseBlock(std::string_view event, std::string_view data);

}  // namespace qxsim
