// Plays a scenario against the loaded module on the host's main thread.
//
// Time: the scenario has a time line of its own, the sum of the waits so far
// from the start of play(). A device step happens at its time on that line:
// a wait schedules on the clock every device step from it up to the next
// step of another side (through later waits), so each reaches the reading
// thread when the clock gets there, whatever the host's thread is doing (in
// a timer tick it comes at the tick's next redraw, which gives the clock a
// turn), and the clock waits until that thread has handled it. `wait MS` runs the host's message
// loop up to its end on the time line. Host, drawing and desktop steps run when the loop has
// returned (the host idle); a late one delays no later step, which keeps its time or, when that has
// passed, follows at once.
//
// Load: the steps before the first wait, command, load or unload prepare
// the world the module loads into (daemon, devices, space, document, the
// drawing, the desktop); then the module is loaded, unless that first step
// is itself `load`. At the end a loaded module is unloaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "queued_commands.h"
#include "module_session.h"
#include "scenario.h"

namespace qxsim {

class PictureBook;
class ProgressDisplay;

class Player {
public:
    // `settingsPath`: the module's settings file, which `setting` steps change.
    Player(ModuleSession& module, std::string settingsPath);
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Optional watchers, set before playing: pictures at the start, after
    // each motion (a release) and key once the session has run on, and at
    // the end; a progress line updated after every step.
    void setPictureBook(PictureBook* pictures) { mPictures = pictures; }
    void setProgress(ProgressDisplay* progress) { mProgress = progress; }

    // Plays the steps; returns an exit code (kExitOk, kExitScenario for a
    // step that cannot be carried out, kExitModule for a failed load) and
    // sets `error` to a message naming the file and line.
    int play(const std::vector<Step>& steps, std::string& error);

    // A live session (steps typed in real time): start() loads the module,
    // playTyped() plays one step as in play() but a wait schedules nothing
    // ahead, finish() unloads a loaded module.
    int start(std::string& error) { return leavePreparation(nullptr, error); }
    int playTyped(const Step& step, std::string& error);
    // Parses one typed line (line `lineNo` of `name`) and plays its step; a
    // line that does not parse returns kExitOk with `error` set, so that a
    // typing mistake does not end the session.
    int playTypedLine(const std::string& line, const std::string& name, int lineNo,
                      std::string& error);
    void finish();

    // Warnings met on the way (e.g. a module that stayed in memory).
    const std::vector<std::string>& warnings() const { return mWarnings; }

private:
    // Loads the module when `next` (null: the end of the scenario) is the
    // first step that needs it.
    int leavePreparation(const Step* next, std::string& error);
    int runStep(const Step& step, std::string& error);
    int runHostStep(const Step& step, std::string& error);
    // `document N` and `nodocument N`: an error unless drawing N is open.
    int runDocumentStep(const Step& step, std::string& error);
    int load(const Step* step, std::string& error);
    void unload();
    // Runs the wait at `steps[i]`, first scheduling the device steps from it
    // on that are not scheduled yet.
    void runWait(const std::vector<Step>& steps, std::size_t i);
    // Remembers a step and the comment lines before it for the next
    // picture's caption (of a wait only the comments).
    void note(const Step& step);
    // After a step or a wait: the host runs the commands queued meanwhile;
    // after a wait a picture that a motion or key asked for is drawn.
    void settle(bool waited);
    void snapshot(const std::string& title);

    ModuleSession& mModule;
    std::string mSettingsPath;
    bool mPreparing = true;
    std::vector<std::string> mWarnings;
    HostCommandLine mHostCommands;
    PictureBook* mPictures = nullptr;
    ProgressDisplay* mProgress = nullptr;
    std::vector<std::string> mRecent;       // steps since the last picture
    std::vector<std::string> mMotionNotes;  // what the last motions did, for after their release
    bool mPictureDue = false;
    bool mViewSet = false;          // a view step since the last picture
    bool mNoted = false;            // a step noted: the scenario's head comment is behind
    bool mCameraSet = false;        // a camera step: the first view is the scenario's
    std::uint64_t mTimeLineMs = 0;  // the scenario's time: the sum of the waits so far
    // The device steps before this index were scheduled by a wait; the time
    // line stands at mScheduledToMs there.
    std::size_t mScheduledEnd = 0;
    std::uint64_t mScheduledToMs = 0;
};

// Puts the simulated world into the state a session starts in: one drawing
// on the Model tab, the initial model view, no entities or selection, the
// daemon up with one device, rotation code 0, zoom-all-after-view off, mode
// reports accepted, the pointer at (0,0) over no window.
void resetStandIns();

// Carries out a device step: the daemon's state changes or it sends an event.
void runDeviceStep(const Step& step);

}  // namespace qxsim
