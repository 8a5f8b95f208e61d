// The pictures of a session (--render DIR): an SVG of the current view at
// the start, after each motion and key, and at the end, and an index.html
// that shows them in order with the steps that led to each. Reads the
// simulated drawing through the host stand-in's control headers. Host's main
// thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

    // Draws the world as it is now. `title` names the moment, `steps` the
    // steps that led to it.
    void snapshot(const std::string& title, const std::vector<std::string>& steps);

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
    bool mFailed = false;
};

// The scene of the current view: the model view of the current viewport,
// or the active paper-space viewport's view in a layout's paper space.
Scene currentScene();

}  // namespace qxsim
