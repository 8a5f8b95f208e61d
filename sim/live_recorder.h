// The scenario file of a live session: the steps the session applied, each at
// the virtual time the session's clock stood at when it took the step, after
// the steps that set the session up (its settings and start-up scenario).
// A live session runs on the virtual clock as a scenario does, paced by the
// wall clock, and takes a page's steps the way the player delivers a
// scenario's, so `qxsim FILE` plays the same session again: the same
// transcript, line for line. Thread-safe: the host's main thread records, a
// page's download writes the file.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace qxsim {

class LiveRecorder {
public:
    // Past this the recording stops (the session goes on): half an hour of
    // steady dragging (caps at 60 a second).
    static constexpr std::size_t kMaxSteps = 100'000;

    // `head`: the scenario text that set the session up; `startMs`: the time
    // on the clock's time line at which its steps ended (its waits added up).
    LiveRecorder(std::string head, std::uint64_t startMs);
    LiveRecorder(const LiveRecorder&) = delete;
    LiveRecorder& operator=(const LiveRecorder&) = delete;

    // A step taken at `ms` on the clock (never before the step recorded
    // last). Returns its place, by which a step that then failed is dropped.
    std::size_t step(std::uint64_t ms, const Step& step);
    void drop(std::size_t place);
    // The clock stood at `ms`: the file runs on to the latest such time.
    void note(std::uint64_t ms);

    std::string text() const;
    std::size_t stepCount() const;

private:
    struct Taken {
        std::uint64_t ms;
        std::string text;
        bool dropped = false;
    };

    mutable std::mutex mLock;
    std::string mHead;
    std::uint64_t mStartMs;
    std::uint64_t mNowMs;
    std::optional<std::uint64_t> mCutMs;
    std::vector<Taken> mSteps;
};

}  // namespace qxsim
