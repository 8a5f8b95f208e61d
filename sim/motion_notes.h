// What the module's motions did, in words and numbers, read from the
// transcript for the pictures' captions: "orbit 12.0 deg about the view's
// target (0.0, 0.0, 0.0)", "zoom x1.8", "pan 35.2 units left". Pure; any
// thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "projection.h"

namespace qxsim {

struct PaperState {
    double centerX = 0.0, centerY = 0.0, height = 1.0;
};

// What a motion is measured against, as the world stands.
struct WorldState {
    Camera camera;                        // the model view
    PaperState paper;                     // the active paper-space viewport's view
    std::optional<Vec3> selectionCentre;  // the mean of the selected entities' centres
    std::vector<Vec3> entityCentres;      // by entity number
};

class MotionNotes {
public:
    // The state the next motion starts from.
    void reset(const WorldState& world);

    // Takes one transcript line; a 3D motion ends with its view written back.
    void read(const std::string& line);

    // The notes of the motions ended so far, once each.
    std::vector<std::string> take();

    // Ends every motion under way (a paper pan, an object move, a 3D motion
    // not yet written back), returns all notes and starts again from `world`.
    std::vector<std::string> flush(const WorldState& world);

private:
    void endModelMotion();

    WorldState mWorld;
    std::optional<Camera> mModelNow;  // the model view while a 3D motion is under way
    std::optional<PaperState> mPaperNow;
    std::map<int, std::vector<double>> mMoved;  // entity -> its transform so far (row-major)
    std::vector<std::string> mNotes;
};

// The words for a change of the model view from `before` to `after`, as seen
// with the world `world` (its selection names a rotation centre).
std::string describeViewChange(const Camera& before, const Camera& after, const WorldState& world);

}  // namespace qxsim
