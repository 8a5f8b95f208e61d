// The scenario file of a live session: the steps a page sent, with the waits
// between them, written so that qxsim replays the session in virtual time
// with the same number of driver passes in each motion. Pure; main thread.
//
// The module only looks at the cap when its timer ticks, so a step's exact
// delivery time matters only relative to the passes around it:
// - a motion from rest (a cap that deflects) is written half an idle tick
//   (50 ms) before the first pass that took it up, so a replay whose idle
//   ticks run a little earlier or later still takes it up on the same tick;
// - a device step during a motion (a new cap value, the release, a key) is
//   written half-way between the last pass before it and the first pass
//   after it, half a frame from either;
// - other steps are written at the time they were played.
// A pass on the wall clock takes a little longer than in virtual time (the
// host's own work comes on top of the frame), so a long motion would take
// more passes in a replay: calibrate() replays the plan and moves each step
// of a motion to the pass it came after live; when it cannot match them the
// live timing stays as it was. The file's first line says which. Each
// motion's pass count is written as a comment after it, for checks.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace qxsim {

// A scenario with its timing: each step at a time in whole ms since the
// session went live.
struct LivePlan {
    enum class Timing { Live, Calibrated };
    struct Entry {
        std::int64_t ms = 0;
        std::string text;
        int motion = -1;      // index of the motion it belongs to, or -1
        int passes = 0;       // passes of its motion before it
        bool begins = false;  // the cap that began its motion
        bool ends = false;    // the step that brought the cap to rest
    };
    std::string prelude;
    std::vector<Entry> entries;
    std::int64_t endMs = 0;
    Timing timing = Timing::Live;
    std::optional<std::int64_t> cutMs;  // the recording stopped at its limit then
    std::vector<double> lastView;       // the numbers of the session's last view

    std::string text() const;
};

// What a replay in virtual time showed, in ms since the module was loaded:
// the passes that redrew the view and those that found the cap at rest (the
// view written back).
struct ReplayTimes {
    std::vector<std::int64_t> passes;
    std::vector<std::int64_t> rests;
    std::vector<double> lastView;  // the numbers of the replay's last view
};

// The numbers of a view, paper_view or view_saved transcript line, without
// its time: what two views must share to be the same.
std::vector<double> viewNumbers(const std::string& line);
// Replays a scenario; none when the replay failed.
using PassReplayer = std::function<std::optional<ReplayTimes>(const std::string&)>;

// Moves each step of a motion to the middle of the frame after the pass it
// came after live, as the replay shows them, and a release that the replay
// took up a pass late a frame earlier; repeats while steps move, a few times
// at most. Returns whether the last replay matched every motion and ended on
// the session's last view (within 1e-9 of its size); if not, the plan keeps
// its live timing.
bool calibrate(LivePlan& plan, const PassReplayer& replay);

// Thread-safe: the host's main thread records, a page's download plans.
class LiveRecorder {
public:
    // Past these the recording stops (the session goes on): half an hour of
    // steady dragging (caps at 60 a second), or about 10 MB.
    static constexpr std::size_t kMaxSteps = 100'000;
    static constexpr std::size_t kMaxPasses = 1'000'000;

    // `prelude` is the scenario text played before the session went live;
    // `startUs` the clock time at which it went live.
    LiveRecorder(std::string prelude, std::uint64_t startUs);
    LiveRecorder(const LiveRecorder&) = delete;
    LiveRecorder& operator=(const LiveRecorder&) = delete;

    // A step played at `us`. Waits are not recorded: the time between steps is.
    void step(std::uint64_t us, const Step& step);
    // A pass of the driver at `us` that redrew the view or, with `rest`, found
    // the cap at rest and wrote the view back.
    void pass(std::uint64_t us, bool rest = false);
    // The numbers of the latest view the session showed (viewNumbers()).
    void view(std::vector<double> numbers);
    // The clock stood at `us`: a plan runs on to the latest such time.
    void note(std::uint64_t us);

    // The session as a plan, running on to `endUs` (or the latest time
    // noted) after its last step.
    LivePlan plan(std::optional<std::uint64_t> endUs = std::nullopt) const;
    std::size_t stepCount() const;

private:
    struct Played {
        std::uint64_t us;
        std::string text;
        bool device;
        bool cap;       // a cap or a release
        bool deflects;  // a cap with a non-zero axis
    };
    // The first pass at or after `from` and before `until`, or none.
    const std::uint64_t* passIn(std::uint64_t from, std::uint64_t until) const;
    const std::uint64_t* lastPassBefore(std::uint64_t us) const;

    mutable std::mutex mLock;
    std::string mPrelude;
    std::uint64_t mStartUs;
    std::uint64_t mNowUs;
    std::optional<std::uint64_t> mCutUs;
    std::vector<Played> mSteps;
    std::vector<std::uint64_t> mPasses;
    std::vector<std::uint64_t> mRests;
    std::vector<double> mLastView;
};

}  // namespace qxsim
