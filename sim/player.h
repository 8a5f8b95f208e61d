// Plays a scenario against the loaded module on the host's main thread.
//
// Time: the scenario has a time line of its own, the sum of the waits so far
// from the start of play(). A device step happens at its time on that line
// whatever the host is doing: each is on the clock's schedule, reaches the
// reading thread when the clock gets there (in a timer tick at the tick's
// next redraw, which gives the clock a turn) and the clock waits until that
// thread has handled it. `wait MS` runs the host's message loop up to its end
// on the time line. Host, drawing and desktop steps wait for an idle host:
// they run when the loop has returned, so a late one delays no later device
// step. A device step that comes after a host step at the same time follows
// it when the host is idle then, and goes at its time when it is busy. The
// commands the module queues run whenever the host's loop is idle.
//
// Load: the steps before the first wait, command, load or unload prepare
// the world the module loads into (daemon, devices, space, document, the
// drawing, the desktop); then the module is loaded, unless that first step
// is itself `load`. At the end a loaded module is unloaded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "queued_commands.h"
#include "module_session.h"
#include "scenario.h"
#include "win32_control.h"

namespace qxsim {

class PassWatch;
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
    void setPictureBook(PictureBook* pictures);
    // Told of every step and host command while the module runs, and of the
    // threshold the module loads: the marks of the motions' charts.
    void setPassWatch(PassWatch* watch) { mWatch = watch; }
    void setProgress(ProgressDisplay* progress) { mProgress = progress; }
    // The transcript file's limit, for the message when a session reaches it.
    void setTranscriptLimitMiB(std::uint64_t mib) { mTranscriptLimitMiB = mib; }

    // Plays the steps; returns an exit code (kExitOk, kExitScenario for a
    // step that cannot be carried out, kExitModule for a failed load, kExitIo
    // for a full transcript, stoppedExitCode() after a stop signal) and sets
    // `error` to a message naming the file and line. play() unloads the
    // module at the end; playSteps() leaves the module loaded for steps that
    // follow (a live session's). `steps` must outlive the session: the
    // clock's schedule refers to them.
    int play(const StepList& steps, std::string& error);
    int playSteps(const StepList& steps, std::string& error);

    // Steps that come one by one at the clock's time (a live session): a
    // device step taken now, a host step taken now (counted, so that device
    // steps taken after it follow it when the host is idle) and run later
    // with runHostSide() once the loop has returned, and the loop itself,
    // which returns when `stop` says so or the transcript is full.
    void deviceStepNow(const Step& step) { deviceStepDue(step, mHostSteps); }
    void hostStepTaken() { ++mHostSteps; }
    int runHostSide(const Step& step, std::string& error);
    void runLoop(std::uint64_t untilMs, const std::function<bool()>& stop);
    bool transcriptFull(std::string& error) const;
    // The time line's time: where the waits played so far add up to.
    std::uint64_t timeLineMs() const { return mTimeLineMs; }

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
    // Puts the first device step from `steps[from]` on at its time on the
    // clock (the time line's `at`, after `hostSteps` host steps); each puts
    // the next on when it comes, so that the clock holds one at a time.
    void scheduleDeviceSteps(const StepList& steps, std::size_t from, std::uint64_t at,
                             std::uint64_t hostSteps);
    // A device step whose time has come; it was taken after `hostStepsBefore`
    // host steps. It waits behind one of those not begun while the host is
    // idle, and behind the device steps that wait before it.
    void deviceStepDue(const Step& step, std::uint64_t hostStepsBefore);
    void releaseHeld();
    // Runs a device step now; one that is not the cap's is marked.
    void deviceStep(const Step& step);
    void markRan(const std::vector<std::string>& ran);
    bool hostIdle() const;
    // What the host's loop does when idle: the queued commands.
    win32sim::IdleResult onIdle(const std::function<bool()>& stop);
    // Remembers a step and the comment lines before it for the next
    // picture's caption (of a wait only the comments).
    void note(const Step& step);
    // After a step or a wait: the host runs the commands queued meanwhile;
    // after a wait a picture that a motion or key asked for is drawn.
    void settle(bool waited);
    void snapshot(const std::string& title);

    ModuleSession& mModule;
    std::uint64_t mTranscriptLimitMiB = 0;
    std::string mSettingsPath;
    bool mPreparing = true;
    std::vector<std::string> mWarnings;
    HostCommandLine mHostCommands;
    PictureBook* mPictures = nullptr;
    PassWatch* mWatch = nullptr;
    ProgressDisplay* mProgress = nullptr;
    std::vector<std::string> mRecent;       // steps since the last picture
    std::vector<std::string> mMotionNotes;  // what the last motions did, for after their release
    bool mPictureDue = false;
    bool mViewSet = false;          // a view step since the last picture
    bool mNoted = false;            // a step noted: the scenario's head comment is behind
    bool mCameraSet = false;        // a camera step: the first view is the scenario's
    std::uint64_t mTimeLineMs = 0;  // the scenario's time: the sum of the waits so far
    // Host steps taken (scheduled or handed over) and begun since play began.
    std::uint64_t mHostSteps = 0;
    std::uint64_t mHostStepsBegun = 0;
    int mHostWork = 0;  // > 0 while the host runs a step or a queued command
    std::deque<std::pair<Step, std::uint64_t>> mHeld;
};

// Puts the simulated world into the state a session starts in: one drawing
// on the Model tab, the initial model view, no entities or selection, the
// daemon up with one device, rotation code 0, zoom-all-after-view off, mode
// reports accepted, the pointer at (0,0) over no window.
void resetStandIns();

// Carries out a device step: the daemon's state changes or it sends an event.
void runDeviceStep(const Step& step);

// Steps that end the preparation of the world before the module loads.
bool endsPreparation(StepKind kind);
// Device steps that only a loaded module can take in: a motion, a key.
bool reachesModule(StepKind kind);
// What is wrong with a step, without file and line, shared by the player and
// the check before play: a motion or key before the module loads, a command
// while it is unloaded, a drawing's number that is not open.
std::string beforeLoadMessage(const Step& step);
std::string noCommandMessage(const Step& step);
// True for a command of the module's command table.
bool isModuleCommand(const std::string& name);
std::string notOpenMessage(const Step& step, int number);

}  // namespace qxsim
