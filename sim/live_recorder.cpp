// The scenario file of a live session.

#include "live_recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qxsim {
namespace {

// Half the module's idle tick (100 ms), a frame (a pass's redraw), and the
// time a release needs at the end: the pass that sees the cap at rest and
// the view written back.
constexpr std::uint64_t kHalfIdleTickUs = 50'000;
constexpr std::int64_t kFrameMs = 16;
// A step during a motion is written this long after the pass it came after:
// a replay takes up a step delivered late in a frame only a pass later.
constexpr std::int64_t kAfterPassMs = 3;
constexpr std::uint64_t kTailUs = 200'000;
// Replays calibrate() may run.
constexpr int kCalibrationRounds = 6;
// The longest wait written: long idle stretches take several.
constexpr std::int64_t kLongestWaitMs = 3'600'000;

void writeWait(std::string& out, std::int64_t ms) {
    for (; ms > 0; ms -= kLongestWaitMs) {
        out += "wait " + std::to_string(std::min(ms, kLongestWaitMs)) + "\n";
    }
}

bool deflects(const Step& step) {
    return step.kind == StepKind::Cap &&
           std::any_of(step.numbers.begin(), step.numbers.end(), [](double v) { return v != 0.0; });
}

template <typename T>
std::size_t countIn(const std::vector<T>& sorted, T from, T to) {
    return static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), to) -
                                    std::lower_bound(sorted.begin(), sorted.end(), from));
}

// Whether a replay ended on the session's last view: the same numbers within
// 1e-9 of the largest of them (a view's size sets the scale of its error).
bool sameView(const std::vector<double>& live, const std::vector<double>& replay) {
    if (live.size() != replay.size()) {
        return false;
    }
    double scale = 1.0;
    for (double v : live) {
        scale = std::max(scale, std::fabs(v));
    }
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (!(std::fabs(live[i] - replay[i]) <= 1e-9 * scale)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<double> viewNumbers(const std::string& line) {
    std::vector<double> numbers;
    const std::size_t ev = line.find("\"ev\"");
    if (ev == std::string::npos) {
        return numbers;
    }
    const char* p = line.c_str() + ev;
    while (*p != '\0') {
        if (*p == '"') {  // skip names and texts: numbers stand outside quotes
            const char* close = std::strchr(p + 1, '"');
            p = close ? close + 1 : p + std::strlen(p);
            continue;
        }
        char* end = nullptr;
        const double v = (*p == '-' || (*p >= '0' && *p <= '9')) ? std::strtod(p, &end) : 0.0;
        if (end != nullptr && end != p) {
            numbers.push_back(v);
            p = end;
        } else {
            ++p;
        }
    }
    return numbers;
}

std::string LivePlan::text() const {
    std::string out =
        timing == Timing::Calibrated
            ? "# Recorded by qxsim --live, calibrated: its steps were moved so that each motion "
              "takes as many passes in virtual time as it did live.\n"
            : "# Recorded by qxsim --live, with the live timing: a replay in virtual time may take "
              "more or fewer passes in a motion than the session did.\n";
    out += "# Replay it in virtual time with: qxsim FILE\n";
    if (cutMs) {
        out += "# The recording stopped at its limit after " + std::to_string(*cutMs) +
               " ms: the steps after it are not here, and the replay ends elsewhere.\n";
    }
    out += prelude;
    std::int64_t written = 0;
    for (const Entry& e : entries) {
        if (e.ms > written) {
            writeWait(out, e.ms - written);
            written = e.ms;
        }
        out += e.text + "\n";
        if (e.ends) {
            out += "# motion " + std::to_string(e.motion + 1) + ": " + std::to_string(e.passes) +
                   " passes\n";
        }
    }
    writeWait(out, endMs - written);
    return out;
}

bool calibrate(LivePlan& plan, const PassReplayer& replay) {
    const LivePlan live = plan;
    for (int round = 0; round < kCalibrationRounds; ++round) {
        const std::optional<ReplayTimes> times = replay(plan.text());
        if (!times) {
            break;
        }
        const std::vector<std::int64_t>& t = times->passes;
        // Times below are those of the plan as replayed. A step moved moves
        // the steps after it, and the replay's later passes with them, but not
        // the passes of its own motion: those follow the cap that began it.
        std::int64_t shift = 0;
        std::int64_t motionShift = 0;
        std::int64_t start = 0;
        bool matched = true;
        for (LivePlan::Entry& e : plan.entries) {
            const std::int64_t at = e.ms;
            std::int64_t to = at + shift;
            if (e.begins) {
                start = at;
                motionShift = shift;
            } else if (e.motion >= 0) {
                to = at + motionShift;
                const auto first = std::lower_bound(t.begin(), t.end(), start);
                const std::size_t want = static_cast<std::size_t>(e.passes);
                std::size_t seen = countIn(t, start, at);
                if (e.ends) {
                    // What counts is the passes that moved the view: up to the
                    // one that found the cap at rest. Whole frames move them.
                    auto rest = std::lower_bound(times->rests.begin(), times->rests.end(), at);
                    seen = rest == times->rests.end() ? seen : countIn(t, start, *rest);
                    to -= kFrameMs * (static_cast<std::int64_t>(seen) - e.passes);
                } else if (seen != want && static_cast<std::size_t>(t.end() - first) > want &&
                           want > 0) {
                    const std::int64_t before = *(first + e.passes - 1);
                    const std::int64_t after = *(first + e.passes);
                    to = std::min(before + kAfterPassMs, (before + after) / 2) + motionShift;
                } else {
                    to -= kFrameMs * (static_cast<std::int64_t>(seen) - e.passes);
                }
                matched = matched && to == at + motionShift;
            }
            shift = to - at;
            e.ms = std::max<std::int64_t>(to, 0);
        }
        plan.endMs += shift;
        // Passes matched, but a drag's values may still have come on other
        // passes: only the same last view makes the file a faithful replay.
        if (matched && !plan.lastView.empty() && !sameView(plan.lastView, times->lastView)) {
            break;
        }
        if (matched) {
            plan.timing = LivePlan::Timing::Calibrated;
            return true;
        }
    }
    plan = live;
    return false;
}

LiveRecorder::LiveRecorder(std::string prelude, std::uint64_t startUs)
    : mPrelude(std::move(prelude)), mStartUs(startUs), mNowUs(startUs) {
    if (!mPrelude.empty() && mPrelude.back() != '\n') {
        mPrelude += '\n';
    }
}

void LiveRecorder::step(std::uint64_t us, const Step& step) {
    std::lock_guard<std::mutex> guard(mLock);
    if (step.kind == StepKind::Wait || mCutUs) {
        return;
    }
    if (mSteps.size() >= kMaxSteps || mPasses.size() + mRests.size() >= kMaxPasses) {
        mCutUs = us;
        return;
    }
    mSteps.push_back({std::max(us, mStartUs), step.text, sideOf(step.kind) == StepSide::Device,
                      step.kind == StepKind::Cap || step.kind == StepKind::Release,
                      deflects(step)});
}

void LiveRecorder::pass(std::uint64_t us, bool rest) {
    std::lock_guard<std::mutex> guard(mLock);
    if (!mCutUs && mPasses.size() + mRests.size() < kMaxPasses) {
        (rest ? mRests : mPasses).push_back(us);
    }
}

void LiveRecorder::note(std::uint64_t us) {
    std::lock_guard<std::mutex> guard(mLock);
    mNowUs = std::max(mNowUs, us);
}

std::size_t LiveRecorder::stepCount() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mSteps.size();
}

void LiveRecorder::view(std::vector<double> numbers) {
    std::lock_guard<std::mutex> guard(mLock);
    if (!mCutUs) {
        mLastView = std::move(numbers);
    }
}

const std::uint64_t* LiveRecorder::passIn(std::uint64_t from, std::uint64_t until) const {
    auto it = std::lower_bound(mPasses.begin(), mPasses.end(), from);
    return it != mPasses.end() && *it < until ? &*it : nullptr;
}

const std::uint64_t* LiveRecorder::lastPassBefore(std::uint64_t us) const {
    auto it = std::lower_bound(mPasses.begin(), mPasses.end(), us);
    return it == mPasses.begin() ? nullptr : &*std::prev(it);
}

LivePlan LiveRecorder::plan(std::optional<std::uint64_t> end) const {
    std::lock_guard<std::mutex> guard(mLock);
    const std::uint64_t endUs = end.value_or(mCutUs.value_or(mNowUs));
    LivePlan plan;
    plan.prelude = mPrelude;
    plan.lastView = mLastView;
    std::uint64_t writtenUs = mStartUs;  // time of the last step written
    int motion = -1;
    bool moving = false;
    std::uint64_t motionUs = 0;  // written time of the cap that began the motion
    const auto toMs = [this](std::uint64_t us) {
        return static_cast<std::int64_t>((us - mStartUs + 500) / 1000);
    };
    for (std::size_t i = 0; i < mSteps.size(); ++i) {
        const Played& s = mSteps[i];
        LivePlan::Entry e;
        e.text = s.text;
        std::uint64_t us = s.us;
        if (s.device && !moving && s.deflects) {
            std::uint64_t nextDevice = UINT64_MAX;
            for (std::size_t k = i + 1; k < mSteps.size() && nextDevice == UINT64_MAX; ++k) {
                nextDevice = mSteps[k].device ? mSteps[k].us : nextDevice;
            }
            if (const std::uint64_t* first = passIn(s.us, nextDevice)) {
                us = *first > kHalfIdleTickUs ? *first - kHalfIdleTickUs : 0;
                moving = e.begins = true;
                ++motion;
            }
        } else if (s.device && moving) {
            if (const std::uint64_t* before = lastPassBefore(s.us)) {
                const std::uint64_t* after = passIn(s.us, UINT64_MAX);
                us = *before + std::min<std::uint64_t>(kAfterPassMs * 1000,
                                                       after ? (*after - *before) / 2 : UINT64_MAX);
            }
            e.ends = s.cap && !s.deflects;
        }
        us = std::max(us, writtenUs);
        if (e.begins) {
            motionUs = us;
        }
        // Host steps wait for a tick to end, wherever they are written.
        if (moving && s.device) {
            e.motion = motion;
            // A release counts the passes that moved the view, up to the one
            // that found the cap at rest (which may come a pass late).
            auto rest = std::lower_bound(mRests.begin(), mRests.end(), s.us);
            const std::uint64_t until = e.ends && rest != mRests.end() ? *rest : us;
            e.passes = static_cast<int>(countIn(mPasses, motionUs, until));
        }
        moving = moving && !e.ends;
        e.ms = toMs(us);
        writtenUs = us;
        plan.entries.push_back(std::move(e));
    }
    plan.endMs = toMs(std::max(endUs, writtenUs + kTailUs));
    if (mCutUs) {
        plan.cutMs = toMs(*mCutUs);
    }
    return plan;
}

}  // namespace qxsim
