// The pictures of a session (--render DIR): an SVG of the current view at
// the start, after each motion and key, and at the end; for each motion a
// chart (motion-NNN.svg) and its passes (motion-NNN.csv); and an index.html
// that shows them in order with the steps that led to each. At most a given
// number of pictures: past it the book says where it stopped. Reads the
// simulated drawing through the host stand-in's control headers. Host's main
// thread only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pass_watch.h"
#include "picture.h"

namespace qxsim {

class PictureBook {
public:
    // `dir` is created when missing; at most `maxPictures` pictures.
    PictureBook(std::string dir, std::uint64_t maxPictures);
    ~PictureBook();
    PictureBook(const PictureBook&) = delete;
    PictureBook& operator=(const PictureBook&) = delete;

    // False with a message when the folder cannot be made.
    bool open(std::string& error);

    // Charts of this run, `name`, drawn over the same motions of another,
    // `otherName`, whose CSV files are in `dir`.
    void compareWith(std::string dir, std::string otherName, std::string name);

    // A scrolling window (a list or tree) to show beside the drawing in the
    // pictures from now on.
    void watchWindow(int id);

    // The passes of the module's driver, for the charts.
    PassWatch& passes() { return mPasses; }

    // Draws the world as it is now. `title` names the moment, `steps` the
    // steps that led to it; a watched window that scrolled since the picture
    // before adds a line to them. Past the most pictures, nothing.
    void snapshot(const std::string& title, const std::vector<std::string>& steps);

    // What the motions ended since the last call did (the host is idle), in
    // words; their charts go with the next picture. With `end` a motion
    // under way ends too (the session ends).
    std::vector<std::string> motions(bool end = false);

    // Writes index.html; false when it or a picture or chart could not be
    // written.
    bool finish(const std::string& scenarioName);

    std::size_t count() const { return mPages.size(); }
    const std::string& dir() const { return mDir; }
    // Set once the most pictures are drawn: when, and how many.
    const std::string& stopped() const { return mStopped; }

private:
    struct Page {
        std::string file;
        std::string title;
        std::vector<std::string> steps;
        std::vector<int> charts;  // motions
    };
    void motionBegins(int motion);
    void motionRow(const PassRow& row);
    void motionEnds(int motion, const std::vector<std::string>& notes);
    void closeCsv();  // a failed write or close of the rows fails the book
    std::string chartName(int motion, const char* extension) const;
    void failed(const std::string& error);

    std::string mDir;
    std::uint64_t mMaxPictures;
    std::vector<Page> mPages;
    std::map<int, int> mListPositions;  // watched windows: id -> position at the last picture
    PassWatch mPasses;
    std::FILE* mCsv = nullptr;  // of the motion under way
    std::string mCsvPath;
    std::vector<std::string> mNotes;  // of motions ended since motions() was called
    std::vector<int> mChartsDue;      // drawn since the last picture
    std::string mCompareDir, mCompareName, mName;
    std::string mStopped;
    bool mFailed = false;
};

// The scene of the current view: the model view of the current viewport,
// or the active paper-space viewport's view in a layout's paper space.
Scene currentScene();

}  // namespace qxsim
