// Hand-over between the live session's threads.

#include "live_hub.h"

#include <algorithm>
#include <random>

namespace qxsim {
namespace {

// Events a reading page may lag behind before it skips ahead, and the
// transcript and log events a newly opened page is given.
constexpr std::size_t kRecentEvents = 512;
constexpr std::size_t kHistoryEvents = 300;

bool isHistory(std::string_view event) {
    return event == "transcript" || event == "log";
}

}  // namespace

std::uint64_t StepInbox::push(Step step) {
    std::lock_guard<std::mutex> guard(mLock);
    mSteps.emplace_back(++mLastNumber, std::move(step));
    mCv.notify_all();
    return mLastNumber;
}

std::optional<std::pair<std::uint64_t, Step>> StepInbox::pop(bool deviceOnly) {
    std::lock_guard<std::mutex> guard(mLock);
    if (mSteps.empty() || (deviceOnly && sideOf(mSteps.front().second.kind) != StepSide::Device)) {
        return std::nullopt;
    }
    auto first = std::move(mSteps.front());
    mSteps.pop_front();
    return first;
}

void StepInbox::waitUntil(std::chrono::steady_clock::time_point until) {
    std::unique_lock<std::mutex> lock(mLock);
    mCv.wait_until(lock, until, [this] { return mQuit || !mSteps.empty(); });
}

void StepInbox::quit() {
    std::lock_guard<std::mutex> guard(mLock);
    mQuit = true;
    mCv.notify_all();
}

bool StepInbox::quitting() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mQuit;
}

std::string sseBlock(std::string_view event, std::string_view data) {
    std::string block = "event: ";
    block += event;
    block += '\n';
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = data.find('\n', start);
        block += "data: ";
        block += data.substr(start, end == std::string_view::npos ? end : end - start);
        block += '\n';
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    block += '\n';
    return block;
}

std::optional<std::string> StepLimits::admit(StepKind kind, Clock::time_point now) {
    std::lock_guard<std::mutex> guard(mLock);
    const auto trim = [now](std::deque<Clock::time_point>& times, Clock::duration window) {
        while (!times.empty() && now - times.front() >= window) {
            times.pop_front();
        }
    };
    trim(mSteps, std::chrono::seconds(1));
    trim(mReloads, std::chrono::minutes(1));
    if (mSteps.size() >= kStepsPerSecond) {
        return "more than " + std::to_string(kStepsPerSecond) + " steps a second";
    }
    const bool reload = kind == StepKind::Unload || kind == StepKind::Load;
    if (reload && mReloads.size() >= kReloadsPerMinute) {
        return "more than " + std::to_string(kReloadsPerMinute) + " unload and load steps a minute";
    }
    mSteps.push_back(now);
    if (reload) {
        mReloads.push_back(now);
    }
    return std::nullopt;
}

void PageHub::appendLocked(std::string_view event, std::string_view data) {
    Event e{mNextId++, std::string(event), sseBlock(event, data)};
    if (event == "frame") {
        mPicture = data.substr(std::min(data.size(), data.find('\n') + 1));
    }
    if (isHistory(event)) {
        // The log's own tail, so that a busy transcript does not push it out.
        std::deque<Event>& history = event == "log" ? mLogHistory : mHistory;
        history.push_back(e);
        if (history.size() > kHistoryEvents) {
            history.pop_front();
        }
    } else {
        auto same = std::find_if(mLatest.begin(), mLatest.end(),
                                 [&](const Event& kept) { return kept.name == e.name; });
        if (same != mLatest.end()) {
            *same = e;
        } else {
            mLatest.push_back(e);
        }
    }
    mRecent.push_back(std::move(e));
    if (mRecent.size() > kRecentEvents) {
        mRecent.pop_front();
    }
    mCv.notify_all();
    if (mBell) {
        mBell();
    }
}

void PageHub::setBell(std::function<void()> bell) {
    std::lock_guard<std::mutex> guard(mLock);
    mBell = std::move(bell);
}

void PageHub::publish(std::string_view event, std::string_view data) {
    std::lock_guard<std::mutex> guard(mLock);
    appendLocked(event, data);
}

void PageHub::publishPagesLocked() {
    appendLocked("pages", "{\"steering\":" + std::to_string(steeringLocked()) +
                              ",\"open\":" + std::to_string(mPages.size()) + "}");
}

std::string randomHex(int digits) {
    static const char* const kHex = "0123456789abcdef";
    std::random_device random;
    std::string out;
    for (int i = 0; i < digits; ++i) {
        out += kHex[random() & 15];
    }
    return out;
}

bool sameSecret(std::string_view guess, std::string_view secret) {
    unsigned diff = guess.size() == secret.size() ? 0 : 1;
    for (std::size_t i = 0; i < secret.size(); ++i) {
        diff |= static_cast<unsigned char>(secret[i]) ^
                static_cast<unsigned char>(i < guess.size() ? guess[i] : 0);
    }
    return diff == 0;
}

bool PageHub::streamOpenLocked(std::uint64_t page) const {
    return std::find(mPages.begin(), mPages.end(), page) != mPages.end();
}

std::optional<PageTicket> PageHub::issue(Clock::time_point now) {
    PageTicket ticket{randomHex(32), 0};
    std::lock_guard<std::mutex> guard(mLock);
    if (mTickets.size() >= kTickets) {
        const auto spare = std::find_if(mTickets.begin(), mTickets.end(), [&](const Ticket& t) {
            return !streamOpenLocked(t.page.number) &&
                   (!t.lastUse || now - *t.lastUse >= kKeptAfterUse);
        });
        if (spare == mTickets.end()) {
            return std::nullopt;
        }
        mTickets.erase(spare);
    }
    ticket.number = ++mLastPage;
    mTickets.push_back({ticket, std::nullopt});
    return ticket;
}

std::uint64_t PageHub::pageOf(std::string_view token, Clock::time_point now) {
    std::lock_guard<std::mutex> guard(mLock);
    // No early exit over the tickets either: the time taken tells nothing of
    // which ticket a guess came near.
    std::uint64_t found = 0;
    for (const Ticket& t : mTickets) {
        found |= t.page.number & (0 - static_cast<std::uint64_t>(sameSecret(token, t.page.token)));
    }
    for (Ticket& t : mTickets) {
        if (found != 0 && t.page.number == found) {
            t.lastUse = now;
        }
    }
    return found;
}

PageHub::Opened PageHub::open(std::uint64_t page, std::string& first, std::uint64_t& cursor) {
    std::lock_guard<std::mutex> guard(mLock);
    if (streamOpenLocked(page)) {
        return Opened::PageHasOne;
    }
    if (mPages.size() >= kStreams) {
        return Opened::Full;
    }
    for (const Event& e : mLatest) {
        first += e.block;
    }
    for (const std::deque<Event>* history : {&mLogHistory, &mHistory}) {
        for (const Event& e : *history) {
            first += e.block;
        }
    }
    if (mPages.empty()) {
        mHiddenSince.reset();
    }
    mPages.push_back(page);
    cursor = mNextId;
    publishPagesLocked();
    return Opened::Yes;
}

void PageHub::close(std::uint64_t page) {
    std::lock_guard<std::mutex> guard(mLock);
    auto it = std::find(mPages.begin(), mPages.end(), page);
    if (it == mPages.end()) {
        return;
    }
    if (it == mPages.begin()) {
        mGone = "the page that steered closed its event stream";
        mHiddenSince.reset();
    }
    mPages.erase(it);
    publishPagesLocked();
}

bool PageHub::steers(std::uint64_t page) const {
    std::lock_guard<std::mutex> guard(mLock);
    return page != 0 && steeringLocked() == page;
}

void PageHub::shown(std::uint64_t page, bool visible) {
    std::lock_guard<std::mutex> guard(mLock);
    if (page == 0 || steeringLocked() != page) {
        return;
    }
    if (visible) {
        mHiddenSince.reset();
    } else if (!mHiddenSince) {
        mHiddenSince = std::chrono::steady_clock::now();
        mHiddenTold = false;
    }
}

std::optional<std::string> PageHub::takeGone(std::chrono::milliseconds grace) {
    std::lock_guard<std::mutex> guard(mLock);
    std::optional<std::string> gone = std::move(mGone);
    mGone.reset();
    if (!gone && mHiddenSince && !mHiddenTold &&
        std::chrono::steady_clock::now() - *mHiddenSince > grace) {
        mHiddenTold = true;
        gone = "the page that steers was hidden for more than " + std::to_string(grace.count()) +
               " ms";
    }
    return gone;
}

bool PageHub::next(std::uint64_t& cursor, std::string& out, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mLock);
    mCv.wait_for(lock, timeout, [&] { return mShut || mNextId > cursor; });
    if (mShut) {
        return false;
    }
    // A page that fell behind the recent events skips to the oldest kept.
    for (const Event& e : mRecent) {
        if (e.id >= cursor) {
            out += e.block;
        }
    }
    if (mEndId != 0 && cursor <= mEndId && mNextId > mEndId) {
        ++mEndRead;
        mCv.notify_all();
    }
    cursor = mNextId;
    return true;
}

std::string PageHub::picture() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mPicture;
}

void PageHub::end(std::string_view data, std::chrono::milliseconds grace) {
    std::unique_lock<std::mutex> lock(mLock);
    mEndId = mNextId;
    appendLocked("end", data);
    mCv.wait_for(lock, grace, [&] { return mShut || mEndRead >= mPages.size(); });
}

void PageHub::shut() {
    std::lock_guard<std::mutex> guard(mLock);
    mShut = true;
    mCv.notify_all();
}

}  // namespace qxsim
