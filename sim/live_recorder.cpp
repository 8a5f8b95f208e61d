// The scenario file of a live session.

#include "live_recorder.h"

#include <algorithm>
#include <cstdint>

namespace qxsim {
namespace {

// The longest wait written: a scenario's wait is at most a day.
constexpr std::uint64_t kLongestWaitMs = 24ull * 60 * 60 * 1000;

void writeWait(std::string& out, std::uint64_t ms) {
    for (; ms > 0; ms -= std::min(ms, kLongestWaitMs)) {
        out += "wait " + std::to_string(std::min(ms, kLongestWaitMs)) + "\n";
    }
}

}  // namespace

LiveRecorder::LiveRecorder(std::string head, std::uint64_t startMs)
    : mHead(std::move(head)), mStartMs(startMs), mNowMs(startMs) {
    if (!mHead.empty() && mHead.back() != '\n') {
        mHead += '\n';
    }
}

std::size_t LiveRecorder::step(std::uint64_t ms, const Step& step) {
    std::lock_guard<std::mutex> guard(mLock);
    if (!mCutMs && mSteps.size() >= kMaxSteps) {
        mCutMs = ms;
    }
    if (mCutMs) {
        return SIZE_MAX;
    }
    const std::uint64_t after = mSteps.empty() ? mStartMs : mSteps.back().ms;
    mSteps.push_back({std::max(ms, after), step.text});
    mNowMs = std::max(mNowMs, ms);
    return mSteps.size() - 1;
}

void LiveRecorder::drop(std::size_t place) {
    std::lock_guard<std::mutex> guard(mLock);
    if (place < mSteps.size()) {
        mSteps[place].dropped = true;
    }
}

void LiveRecorder::note(std::uint64_t ms) {
    std::lock_guard<std::mutex> guard(mLock);
    if (!mCutMs) {
        mNowMs = std::max(mNowMs, ms);
    }
}

std::size_t LiveRecorder::stepCount() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mSteps.size();
}

std::string LiveRecorder::text() const {
    std::lock_guard<std::mutex> guard(mLock);
    std::string out =
        "# Recorded by qxsim --live: the steps the session applied, each at the virtual time it\n"
        "# was applied. Replay it with: qxsim FILE (add --max-time MS for a session longer than\n"
        "# a day). The session's settings and start-up steps come first.\n";
    if (mCutMs) {
        out += "# The recording stopped at its limit of " + std::to_string(kMaxSteps) +
               " steps: the steps after " + std::to_string(*mCutMs) + " ms are not here.\n";
    }
    out += mHead;
    out += "# The session went live here.\n";
    std::uint64_t written = mStartMs;
    for (const Taken& taken : mSteps) {
        if (taken.dropped) {
            continue;
        }
        writeWait(out, taken.ms - written);
        written = taken.ms;
        out += taken.text + "\n";
    }
    writeWait(out, std::max(mNowMs, written) - written);
    return out;
}

}  // namespace qxsim
