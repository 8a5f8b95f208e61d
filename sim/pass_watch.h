// Watches the module's driver pass by pass for the charts of its motions:
// a pass begins where the driver reads the system variable "tilemode", its
// cap is what the daemon last handed the module's reading thread, and the
// transcript's lines (taken from memory as they come, so that none piles
// up however long a motion runs) say what the pass did. Reads the world
// through the stand-ins' control headers. Host's main thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "motion_notes.h"

namespace qxsim {

// The world as the pictures and the charts both see it, through the host
// stand-in's control headers: whether the layout's paper space is current,
// and the view of viewport `vp` (as the graphics system shows it, else as
// stored).
bool inPaperSpace();
Camera viewportCamera(int vp);

class PassWatch : private WorldProbe {
public:
    // With `keepLines` drain() hands back the transcript's lines.
    PassWatch(MotionCourse::Listener listener, bool keepLines);
    ~PassWatch();
    PassWatch(const PassWatch&) = delete;
    PassWatch& operator=(const PassWatch&) = delete;

    // Starts watching (after the stand-ins' reset) and stops.
    void start();
    void stop();
    bool watching() const { return mWatching; }

    // A list whose scrolling counts as an answer of the view.
    void watchWindow(int id);
    // The module's minThreshold setting, as it was loaded.
    void setThreshold(long long setting) { mCourse.setThreshold(setting); }
    void mark(const std::string& text) { mCourse.mark(text); }

    // Takes the transcript's lines written since the last call into the
    // course; returns them when kept.
    std::vector<std::string> drain();
    // The host is idle: the lines so far, and the pass under way ends.
    void settle();
    // The session ends: a motion under way ends too.
    void finish();

    const MotionCourse& course() const { return mCourse; }

private:
    static void onVarRead(void* context, std::wstring_view name);
    void take();

    Camera modelView() const override;
    PaperState paperView() const override;
    bool paperSpace() const override;
    std::optional<Vec3> selectionCentre() const override;
    std::optional<Vec3> entityCentre(int id) const override;
    long long listLines() const override;

    MotionCourse mCourse;
    bool mKeepLines;
    bool mWatching = false;
    std::vector<std::string> mKept;
    std::vector<int> mWindows;
};

}  // namespace qxsim
