// The pictures of a session (--render DIR): an SVG of the current view at
// the start, after each motion and key, and at the end, and an index.html
// that shows them in order with the steps that led to each. Reads the
// simulated drawing through the host stand-in's control headers. Host's main
// thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "motion_notes.h"
#include "picture.h"

namespace qxsim {

class PictureBook {
public:
    // `dir` is created when missing.
    explicit PictureBook(std::string dir);
    PictureBook(const PictureBook&) = delete;
    PictureBook& operator=(const PictureBook&) = delete;

    // False with a message when the folder cannot be made.
    bool open(std::string& error);

    // A scrolling window (a list or tree) to show beside the drawing in the
    // pictures from now on.
    void watchWindow(int id);

    // Draws the world as it is now. `title` names the moment, `steps` the
    // steps that led to it; a watched window that scrolled since the picture
    // before adds a line to them.
    void snapshot(const std::string& title, const std::vector<std::string>& steps);

    // What the module's motions did since the last call, read from the
    // transcript: the motions ended so far, or with `settle` every motion
    // under way too, after which the next is measured from the world as it
    // is now (call it after anything but the module changed the view).
    std::vector<std::string> motions(bool settle);

    // Writes index.html; false when it cannot be written.
    bool finish(const std::string& scenarioName);

    std::size_t count() const { return mPages.size(); }
    const std::string& dir() const { return mDir; }

private:
    struct Page {
        std::string file;
        std::string title;
        std::vector<std::string> steps;
    };

    std::string mDir;
    std::vector<Page> mPages;
    std::map<int, int> mListPositions;  // watched windows: id -> position at the last picture
    MotionNotes mMotions;
    bool mFailed = false;
};

// The scene of the current view: the model view of the current viewport,
// or the active paper-space viewport's view in a layout's paper space.
Scene currentScene();

// The model view, the paper view, the selection's centre and the entities'
// centres as the world stands.
WorldState currentWorld();

}  // namespace qxsim
