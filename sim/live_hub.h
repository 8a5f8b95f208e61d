// The hand-over between a live session's host main thread and its HTTP
// threads: steps from the steering page go in through a StepInbox, events to
// every open page go out through a PageHub. Both are thread-safe; neither
// touches the simulated world.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live_recorder.h"
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

// Server-Sent Events for the open pages, which page steers the session,
// and the recorded scenario the pages may download.
class PageHub {
public:
    PageHub() = default;
    PageHub(const PageHub&) = delete;
    PageHub& operator=(const PageHub&) = delete;

    // Publishes one event to every page. `kept` events (frames, state) are
    // replayed to a page that opens later, the latest of each name; the last
    // transcript and log events are replayed too.
    void publish(std::string_view event, std::string_view data);

    // A page opened its event stream: it steers the session when no other
    // open page does. Returns the events it starts with and sets `cursor`.
    std::string open(const std::string& page, std::uint64_t& cursor);
    void close(const std::string& page);
    bool steers(const std::string& page) const;

    // The events after `cursor` (moved on), waiting up to `timeout` for one.
    // False once the hub is shut: the stream ends.
    bool next(std::uint64_t& cursor, std::string& out, std::chrono::milliseconds timeout);
    void shut();

    void setPlan(LivePlan plan);
    LivePlan plan() const;

private:
    struct Event {
        std::uint64_t id;
        std::string name;
        std::string block;  // the whole SSE block
    };
    void publishPagesLocked();
    void appendLocked(std::string_view event, std::string_view data);

    mutable std::mutex mLock;
    std::condition_variable mCv;
    std::deque<Event> mRecent;   // for pages that are reading
    std::deque<Event> mHistory;  // transcript and log, for pages that open later
    std::vector<Event> mLatest;  // latest of each other kind
    std::uint64_t mNextId = 1;
    std::vector<std::string> mPages;  // open streams in the order they opened
    LivePlan mPlan;
    bool mShut = false;
};

// One Server-Sent Events block: each line of `data` on a data: line.
std::string sseBlock(std::string_view event, std::string_view data);

// A page's name as it gives it: 1 to 64 letters, digits or '-'.
bool isPageName(std::string_view name);

}  // namespace qxsim
