// What the module's motions did, pass by pass and in words. A motion runs
// from the first pass of the driver that reads a deflected cap to the first
// that reads it at rest; each pass gets a row (its time, the six cap values,
// the view's answer in the units of the caption and what came meanwhile),
// and at its end the caption's words come from the rows' totals: "orbit 12.0
// deg about the view's target (0.0, 0.0, 0.0)", "zoom x1.8", "pan 35.2 units
// left". The amounts of a caption are its columns' sums (a zoom factor the
// product of its column). Pure; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "motion_chart.h"
#include "projection.h"

namespace qxsim {

struct PaperState {
    double centerX = 0.0, centerY = 0.0, height = 1.0;
};

// The world as the course reads it: at the start of each pass, and after
// it for what the transcript does not say.
class WorldProbe {
public:
    virtual Camera modelView() const = 0;
    virtual PaperState paperView() const = 0;
    virtual bool paperSpace() const = 0;
    // The mean of the selected entities' centres, when there are any.
    virtual std::optional<Vec3> selectionCentre() const = 0;
    virtual std::optional<Vec3> entityCentre(int id) const = 0;
    // The scroll positions of the lists in view, added up: lines.
    virtual long long listLines() const = 0;

protected:
    ~WorldProbe() = default;
};

// A motion's passes as MotionCourse follows them, outside the class so that
// they are complete types wherever std::optional asks.
namespace motion_course {

struct Pass {
    std::uint64_t t = 0;
    std::uint64_t tick = 0;  // of the session
    std::array<short, 6> cap{};
    bool capKnown = false;
    Camera camera;  // the views as the pass began
    PaperState paper;
    long long listLines = 0;
    std::optional<Camera> cameraAfter;  // of the pass's view line
    std::optional<PaperState> paperAfter;
    std::map<int, std::vector<double>> moved;  // entity -> its transform in this pass
    std::vector<std::string> marks;
    bool paperSpace = false;  // a layout's paper space: 2D navigation
};
// What the caption sums up: totals and the words that need more than a sum.
struct Motion {
    int number = 0;
    std::uint64_t start = 0;
    std::uint64_t firstTick = 0;
    Camera camera;     // as it began
    Camera cameraNow;  // as its last pass left it
    PaperState paper;
    std::optional<Vec3> selectionCentre;
    std::optional<Vec3> orbitAxis, turnAxis;  // of the first turn: the sign of later ones
    double largestTurn = 0.0;
    std::string orbitCentre;  // "the view's target (0.0, 0.0, 0.0)": of the largest turn
    std::vector<int> moved;   // entities, in order
};

}  // namespace motion_course

class MotionCourse {
public:
    struct Listener {
        std::function<void(int motion)> begins;       // numbered 1, 2, ...
        std::function<void(const PassRow& row)> row;  // each pass of a motion
        std::function<void(int motion, const std::vector<std::string>& notes)> ends;
    };
    MotionCourse(const WorldProbe& probe, Listener listener);
    MotionCourse(const MotionCourse&) = delete;
    MotionCourse& operator=(const MotionCourse&) = delete;

    // The module's minThreshold setting as read from its file.
    void setThreshold(long long setting);

    // A pass of the driver begins at `nowMs` (its first read of a system
    // variable), and the cap it reads (it reads the cap after the
    // variables). The pass before it has ended.
    void passBegins(std::uint64_t nowMs);
    void capRead(const std::array<short, 6>& cap);
    // One transcript line, in the order written: what the pass under way did.
    void read(const std::string& line);
    // Something a person or the host did now (a key, a command, a switch of
    // the drawing): marked on the pass under way, or the next one.
    void mark(const std::string& text);
    // The host is idle: the pass under way has ended.
    void settle();
    // The session ends: a motion under way ends with its last pass.
    void finish();

    // The chart of the motion under way, or of the last one.
    const MotionChart& chart() const { return mChart; }
    bool moving() const { return mMotion.has_value(); }

private:
    using Pass = motion_course::Pass;
    using Motion = motion_course::Motion;

    void endPass();
    void endMotion();  // tells the motion under way's notes and ends it
    PassRow measure(const Pass& pass, Motion& motion);
    std::vector<std::string> notes(const Motion& motion) const;

    const WorldProbe& mProbe;
    Listener mListener;
    int mThreshold = 0;
    std::optional<Pass> mPass;
    std::optional<Motion> mMotion;
    std::vector<std::string> mPendingMarks;  // came between passes
    int mMotions = 0;
    std::uint64_t mInterval = 0;  // the timer's last interval
    std::uint64_t mTicks = 0;     // ticks ended in the session
    MotionChart mChart;
};

}  // namespace qxsim
