// The scenario file of a live session.

#include "live_recorder.h"

#include <algorithm>

namespace qxsim {
namespace {

// Half the module's idle tick (100 ms) and the time a release handling needs
// at the end: the pass that sees the cap at rest and the view written back.
constexpr std::uint64_t kHalfIdleTickUs = 50'000;
constexpr std::uint64_t kTailUs = 200'000;

bool deflects(const Step& step) {
    return step.kind == StepKind::Cap &&
           std::any_of(step.numbers.begin(), step.numbers.end(), [](double v) { return v != 0.0; });
}

}  // namespace

LiveRecorder::LiveRecorder(std::string prelude, std::uint64_t startUs)
    : mPrelude(std::move(prelude)), mStartUs(startUs) {
    if (!mPrelude.empty() && mPrelude.back() != '\n') {
        mPrelude += '\n';
    }
}

void LiveRecorder::step(std::uint64_t us, const Step& step) {
    if (step.kind == StepKind::Wait) {
        return;
    }
    mSteps.push_back(
        {std::max(us, mStartUs), step.text, sideOf(step.kind) == StepSide::Device, deflects(step)});
}

void LiveRecorder::pass(std::uint64_t us) {
    mPasses.push_back(us);
}

const std::uint64_t* LiveRecorder::passIn(std::uint64_t from, std::uint64_t until) const {
    auto it = std::lower_bound(mPasses.begin(), mPasses.end(), from);
    return it != mPasses.end() && *it < until ? &*it : nullptr;
}

const std::uint64_t* LiveRecorder::lastPassBefore(std::uint64_t us) const {
    auto it = std::lower_bound(mPasses.begin(), mPasses.end(), us);
    return it == mPasses.begin() ? nullptr : &*std::prev(it);
}

std::string LiveRecorder::text(std::uint64_t endUs) const {
    std::string out =
        "# Recorded by qxsim --live. Replay it in virtual time with: qxsim FILE\n" + mPrelude;
    std::uint64_t writtenUs = mStartUs;  // time of the last step written
    std::uint64_t writtenMs = 0;         // the same, in whole ms since the start
    bool moving = false;
    std::uint64_t motionUs = 0;  // written time of the cap that began the motion
    int motions = 0;
    for (std::size_t i = 0; i < mSteps.size(); ++i) {
        const Played& s = mSteps[i];
        std::uint64_t us = s.us;
        bool begins = false;
        bool ends = false;
        if (s.device && !moving && s.deflects) {
            std::uint64_t nextDevice = UINT64_MAX;
            for (std::size_t k = i + 1; k < mSteps.size() && nextDevice == UINT64_MAX; ++k) {
                nextDevice = mSteps[k].device ? mSteps[k].us : nextDevice;
            }
            if (const std::uint64_t* first = passIn(s.us, nextDevice)) {
                us = *first > kHalfIdleTickUs ? *first - kHalfIdleTickUs : 0;
                moving = begins = true;
            }
        } else if (s.device && moving) {
            const std::uint64_t* before = lastPassBefore(s.us);
            const std::uint64_t* after = passIn(s.us, UINT64_MAX);
            if (before && after) {
                us = *before + (*after - *before) / 2;
            }
            ends = !s.deflects;
        }
        us = std::max(us, writtenUs);
        if (begins) {
            motionUs = us;
        }
        const std::uint64_t ms = (us - mStartUs + 500) / 1000;
        if (ms > writtenMs) {
            out += "wait " + std::to_string(ms - writtenMs) + "\n";
            writtenMs = ms;
        }
        out += s.text + "\n";
        writtenUs = us;
        if (ends) {
            const auto from = std::lower_bound(mPasses.begin(), mPasses.end(), motionUs);
            const auto to = std::lower_bound(mPasses.begin(), mPasses.end(), us);
            out += "# motion " + std::to_string(++motions) + ": " + std::to_string(to - from) +
                   " passes\n";
            moving = false;
        }
    }
    const std::uint64_t endMs = (std::max(endUs, writtenUs + kTailUs) - mStartUs + 500) / 1000;
    out += "wait " + std::to_string(endMs - writtenMs) + "\n";
    return out;
}

}  // namespace qxsim
