// Hand-over between the live session's threads.

#include "live_hub.h"

#include <algorithm>
#include <cctype>

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

bool isPageName(std::string_view name) {
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
    });
}

void PageHub::appendLocked(std::string_view event, std::string_view data) {
    Event e{mNextId++, std::string(event), sseBlock(event, data)};
    if (isHistory(event)) {
        mHistory.push_back(e);
        if (mHistory.size() > kHistoryEvents) {
            mHistory.pop_front();
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
}

void PageHub::publish(std::string_view event, std::string_view data) {
    std::lock_guard<std::mutex> guard(mLock);
    appendLocked(event, data);
}

void PageHub::publishPagesLocked() {
    const std::string steering = mPages.empty() ? std::string() : mPages.front();
    appendLocked("pages", "{\"steering\":\"" + steering +
                              "\",\"open\":" + std::to_string(mPages.size()) + "}");
}

std::string PageHub::open(const std::string& page, std::uint64_t& cursor) {
    std::lock_guard<std::mutex> guard(mLock);
    std::string out;
    for (const Event& e : mLatest) {
        out += e.block;
    }
    for (const Event& e : mHistory) {
        out += e.block;
    }
    mPages.push_back(page);
    cursor = mNextId;
    publishPagesLocked();
    return out;
}

void PageHub::close(const std::string& page) {
    std::lock_guard<std::mutex> guard(mLock);
    auto it = std::find(mPages.begin(), mPages.end(), page);
    if (it != mPages.end()) {
        mPages.erase(it);
        publishPagesLocked();
    }
}

bool PageHub::steers(const std::string& page) const {
    std::lock_guard<std::mutex> guard(mLock);
    return !mPages.empty() && mPages.front() == page;
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
    cursor = mNextId;
    return true;
}

void PageHub::shut() {
    std::lock_guard<std::mutex> guard(mLock);
    mShut = true;
    mCv.notify_all();
}

void PageHub::setPlan(LivePlan plan) {
    std::lock_guard<std::mutex> guard(mLock);
    mPlan = std::move(plan);
}

LivePlan PageHub::plan() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mPlan;
}

}  // namespace qxsim
