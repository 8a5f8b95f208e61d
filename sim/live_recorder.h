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
// Wall-clock and virtual passes differ by fractions of a millisecond, so
// the margins hold for motions of many seconds. Each motion's pass count is
// written as a comment after it, for checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scenario.h"

namespace qxsim {

class LiveRecorder {
public:
    // `prelude` is the scenario text played before the session went live;
    // `startUs` the clock time at which it went live.
    LiveRecorder(std::string prelude, std::uint64_t startUs);
    LiveRecorder(const LiveRecorder&) = delete;
    LiveRecorder& operator=(const LiveRecorder&) = delete;

    // A step played at `us`. Waits are not recorded: the time between steps is.
    void step(std::uint64_t us, const Step& step);
    // A pass of the driver that redrew the view, at `us`.
    void pass(std::uint64_t us);

    // The scenario file, the session running on to `endUs` after its last step.
    std::string text(std::uint64_t endUs) const;
    std::size_t stepCount() const { return mSteps.size(); }

private:
    struct Played {
        std::uint64_t us;
        std::string text;
        bool device;
        bool deflects;  // a cap with a non-zero axis
    };
    // The first pass at or after `from` and before `until`, or none.
    const std::uint64_t* passIn(std::uint64_t from, std::uint64_t until) const;
    const std::uint64_t* lastPassBefore(std::uint64_t us) const;

    std::string mPrelude;
    std::uint64_t mStartUs;
    std::vector<Played> mSteps;
    std::vector<std::uint64_t> mPasses;
};

}  // namespace qxsim
