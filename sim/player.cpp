// The scenario player: the session's time line, the module's load and
// unload, and the host-side steps.

#include "player.h"

#include <algorithm>
#include <cstdlib>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "app/command_table.h"
#include "exit_codes.h"
#include "pass_watch.h"
#include "picture_book.h"
#include "progress.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"
#include "win32_desktop_control.h"
#include "settings_step.h"
#include "setup_steps.h"
#include "stop_signal.h"
#include "transcript.h"

namespace qxsim {
namespace {

struct SpaceVars {
    const char* name;
    int tilemode;
    int cvport;
};
constexpr SpaceVars kSpaces[] = {
    {"model", 1, 2},         // the Model tab
    {"paper", 0, 1},         // a layout's paper space
    {"layout-model", 0, 2},  // a model-space viewport of a layout
};

}  // namespace

bool endsPreparation(StepKind kind) {
    return kind == StepKind::Wait || kind == StepKind::Command || kind == StepKind::Load ||
           kind == StepKind::Unload;
}

bool reachesModule(StepKind kind) {
    return kind == StepKind::Cap || kind == StepKind::Release || kind == StepKind::Key;
}

std::string beforeLoadMessage(const Step& step) {
    return "'" + step.name +
           "' before the module is loaded would reach no module; put it after the first wait, "
           "command or load";
}

namespace {

// The module's commands, known before it is loaded.
const std::vector<std::string>& moduleCommandNames() {
#define QX_COMMAND_NAME(name, function) #name,
    static const std::vector<std::string> names = {QX_COMMANDS(QX_COMMAND_NAME)};
#undef QX_COMMAND_NAME
    return names;
}

}  // namespace

bool isModuleCommand(const std::string& name) {
    const std::vector<std::string>& names = moduleCommandNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string noCommandMessage(const Step& step) {
    const std::string& name = step.words.at(0);
    if (isModuleCommand(name)) {
        return "no registered command '" + name +
               "' (the module's commands exist while it is loaded)";
    }
    std::string list;
    for (const std::string& known : moduleCommandNames()) {
        list += (list.empty() ? "" : ", ") + known;
    }
    return "no registered command '" + name + "'" + didYouMean(name, moduleCommandNames()) +
           "; the module's commands: " + list;
}

std::string notOpenMessage(const Step& step, int number) {
    return "'" + step.name + " N' expects an open drawing's number; " + std::to_string(number) +
           " is not open";
}

void resetStandIns() {
    win32sim::resetSimulation();
    win32sim::resetDesktop();
    qxdaemon::reset();
    arxsim::reset();
    arxdrawing::reset();
}

Player::Player(ModuleSession& module, std::string settingsPath)
    : mModule(module), mSettingsPath(std::move(settingsPath)) {}

void Player::setPictureBook(PictureBook* pictures) {
    mPictures = pictures;
    mWatch = pictures != nullptr ? &pictures->passes() : nullptr;
}

void Player::deviceStep(const Step& step) {
    if (mWatch != nullptr && step.kind != StepKind::Cap && step.kind != StepKind::Release) {
        mWatch->mark(step.text);
    }
    runDeviceStep(step);
}

void Player::markRan(const std::vector<std::string>& ran) {
    for (const std::string& text : ran) {
        if (mWatch != nullptr) {
            mWatch->mark(text);
        }
    }
}

int Player::play(const StepList& steps, std::string& error) {
    int result = playSteps(steps, error);
    if (result == kExitOk) {
        result = leavePreparation(nullptr, error);
    }
    finish();
    return result;
}

int Player::playSteps(const StepList& steps, std::string& error) {
    mTimeLineMs = win32sim::nowMs();
    bool scheduled = false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        if (int code = leavePreparation(&step, error)) {
            return code;
        }
        if (!mPreparing && !scheduled) {
            scheduleDeviceSteps(steps, i, mTimeLineMs, mHostSteps);
            for (std::size_t k = i; k < steps.size(); ++k) {
                const StepKind kind = steps.kind(k);
                mHostSteps += kind != StepKind::Wait && sideOf(kind) != StepSide::Device ? 1 : 0;
            }
            scheduled = true;
        }
        note(step);
        if (step.kind == StepKind::Wait) {
            mTimeLineMs += static_cast<std::uint64_t>(step.integer(0));
            runLoop(mTimeLineMs, {});
            settle(true);
        } else if (mPreparing) {
            if (int code = runStep(step, error)) {
                return code;
            }
            settle(false);
        } else if (sideOf(step.kind) != StepSide::Device) {
            if (int code = runHostSide(step, error)) {
                return code;
            }
        }
        if (transcriptFull(error)) {
            return kExitIo;
        }
        if (stopSignal() != 0) {
            error = stoppedMessage(win32sim::nowMs());
            return stoppedExitCode();
        }
    }
    // Device steps after the last host step, at its time.
    win32sim::advanceTo(win32sim::nowMs());
    return transcriptFull(error) ? kExitIo : kExitOk;
}

void Player::scheduleDeviceSteps(const StepList& steps, std::size_t from, std::uint64_t at,
                                 std::uint64_t hostSteps) {
    for (std::size_t k = from; k < steps.size(); ++k) {
        const StepKind kind = steps.kind(k);
        if (kind == StepKind::Wait) {
            at += static_cast<std::uint64_t>(steps[k].integer(0));
        } else if (sideOf(kind) == StepSide::Device) {
            win32sim::scheduleAt(at, [this, &steps, k, at, hostSteps] {
                if (stopSignal() != 0) {
                    return;  // the session ends: the module gets no more steps
                }
                deviceStepDue(steps[k], hostSteps);
                scheduleDeviceSteps(steps, k + 1, at, hostSteps);
            });
            return;
        } else {
            ++hostSteps;
        }
    }
}

void Player::deviceStepDue(const Step& step, std::uint64_t hostStepsBefore) {
    if (mHeld.empty() && (mHostStepsBegun >= hostStepsBefore || !hostIdle())) {
        deviceStep(step);
        return;  // the clock waits for the module's threads after each callback
    }
    mHeld.emplace_back(step, hostStepsBefore);
    releaseHeld();
}

void Player::releaseHeld() {
    while (!mHeld.empty() && (mHostStepsBegun >= mHeld.front().second || !hostIdle())) {
        const Step step = std::move(mHeld.front().first);
        mHeld.pop_front();
        deviceStep(step);
        win32sim::waitQuiescent();
    }
}

bool Player::hostIdle() const {
    return mHostWork == 0 && !win32sim::inTimerProcedure();
}

int Player::runHostSide(const Step& step, std::string& error) {
    // Device steps due before it, at the same time, go first.
    win32sim::advanceTo(win32sim::nowMs());
    ++mHostStepsBegun;
    ++mHostWork;
    int code = runStep(step, error);
    --mHostWork;
    settle(false);
    releaseHeld();
    return code;
}

void Player::runLoop(std::uint64_t untilMs, const std::function<bool()>& stop) {
    const std::function<bool()> stopped = [&stop] { return stopSignal() != 0 || (stop && stop()); };
    // On the wall clock the loop looks for a stop signal at least this often.
    constexpr std::uint64_t kStopCheckMs = 100;
    const bool real = win32sim::clockMode() == win32sim::ClockMode::Real;
    std::uint64_t end = untilMs;
    do {
        end = real ? std::min(untilMs, win32sim::nowMs() + kStopCheckMs) : untilMs;
        win32sim::runMessageLoopUntil(end, [this, &stopped] { return onIdle(stopped); });
    } while (end < untilMs && !stopped());
    win32sim::waitQuiescent();
}

win32sim::IdleResult Player::onIdle(const std::function<bool()>& stop) {
    ++mHostWork;
    const std::vector<std::string> ran = mHostCommands.runQueued();
    --mHostWork;
    markRan(ran);
    if (mPictures != nullptr) {
        mRecent.insert(mRecent.end(), ran.begin(), ran.end());
    }
    if (!ran.empty()) {
        return win32sim::IdleResult::Worked;
    }
    return transcript::fileFull() || (stop && stop()) ? win32sim::IdleResult::Stop
                                                      : win32sim::IdleResult::Idle;
}

bool Player::transcriptFull(std::string& error) const {
    if (!transcript::fileFull()) {
        return false;
    }
    error = "the transcript reached its limit of " + std::to_string(mTranscriptLimitMiB) +
            " MiB at t = " + std::to_string(win32sim::nowMs()) +
            " ms: the session stopped there (--max-transcript raises the limit)";
    return true;
}

int Player::playTyped(const Step& step, std::string& error) {
    if (int code = leavePreparation(&step, error)) {
        return code;
    }
    const bool wait = step.kind == StepKind::Wait;
    note(step);
    int code = runStep(step, error);
    settle(wait);
    return code;
}

int Player::playTypedLine(const std::string& line, const std::string& name, int lineNo,
                          std::string& error) {
    std::optional<ScenarioError> parseError;
    const std::optional<Step> step = parseLine(line, name, lineNo, parseError);
    if (parseError) {
        error = parseError->text();
        return kExitOk;
    }
    return step ? playTyped(*step, error) : kExitOk;
}

void Player::finish() {
    if (mModule.loaded()) {
        unload();
    }
    if (mPictures != nullptr) {
        mHostCommands.runQueued();
        // A motion under way ends with the session.
        const std::vector<std::string> motions = mPictures->motions(true);
        mMotionNotes.insert(mMotionNotes.end(), motions.begin(), motions.end());
        snapshot("t = " + std::to_string(win32sim::nowMs()) + " ms, the end of the session");
    }
}

void Player::note(const Step& step) {
    if (mPictures == nullptr || !mPictures->stopped().empty()) {
        return;
    }
    // What a motion did follows its release.
    if (step.kind != StepKind::Release) {
        mRecent.insert(mRecent.end(), mMotionNotes.begin(), mMotionNotes.end());
        mMotionNotes.clear();
    }
    // A view set just before a motion gets a picture of its own.
    if (mViewSet && (step.kind == StepKind::Wait || step.kind == StepKind::Cap)) {
        snapshot("t = " + std::to_string(win32sim::nowMs()) + " ms");
    }
    mViewSet |= step.kind == StepKind::View || step.kind == StepKind::Camera ||
                step.kind == StepKind::PaperView;
    // Of the scenario's head comment only its first paragraph.
    auto comments = step.comments.end();
    if (!mNoted) {
        comments = std::find(step.comments.begin(), step.comments.end(), "#");
        mNoted = true;
    }
    mRecent.insert(mRecent.end(), step.comments.begin(), comments);
    if (step.kind == StepKind::Wait) {
        return;  // the picture's title gives the time
    }
    mRecent.push_back(step.where() + "  " + step.text);
    const bool atRest =
        step.kind == StepKind::Cap &&
        std::all_of(step.numbers.begin(), step.numbers.end(), [](double v) { return v == 0.0; });
    mPictureDue |= step.kind == StepKind::Release || step.kind == StepKind::Key || atRest;
}

void Player::settle(bool waited) {
    if (mPictures != nullptr) {
        const std::vector<std::string> motions = mPictures->motions();
        mMotionNotes.insert(mMotionNotes.end(), motions.begin(), motions.end());
    }
    const std::vector<std::string> ran = mHostCommands.runQueued();
    markRan(ran);
    if (mPictures != nullptr && mPictures->stopped().empty()) {
        mRecent.insert(mRecent.end(), ran.begin(), ran.end());
        if (waited && mPictureDue) {
            snapshot("t = " + std::to_string(win32sim::nowMs()) + " ms");
        }
    }
    if (mProgress != nullptr) {
        mProgress->update(win32sim::nowMs());
    }
}

void Player::snapshot(const std::string& title) {
    const std::vector<std::string> motions = mPictures->motions();
    mRecent.insert(mRecent.end(), mMotionNotes.begin(), mMotionNotes.end());
    mRecent.insert(mRecent.end(), motions.begin(), motions.end());
    mMotionNotes.clear();
    mPictures->snapshot(title, mRecent);
    mRecent.clear();
    mPictureDue = false;
    mViewSet = false;
}

int Player::leavePreparation(const Step* next, std::string& error) {
    if (!mPreparing || (next && !endsPreparation(next->kind))) {
        return kExitOk;
    }
    mPreparing = false;
    // The drawing in view, unless the scenario placed the camera.
    if (!mCameraSet) {
        fitModelView(arxdrawing::kModelViewport);
    }
    if (mPictures != nullptr) {
        snapshot("t = " + std::to_string(win32sim::nowMs()) + " ms, the start");
    }
    // A scenario that begins with `load` loads the module with that step.
    if (next && next->kind == StepKind::Load) {
        return kExitOk;
    }
    return load(nullptr, error);
}

int Player::runStep(const Step& step, std::string& error) {
    std::string message;
    const StepSide side = sideOf(step.kind);
    if (mWatch != nullptr && !mPreparing && side != StepSide::Device && side != StepSide::Time) {
        mWatch->mark(step.text);
    }
    switch (side) {
        case StepSide::Device:
            if (mPreparing && reachesModule(step.kind)) {
                error = step.where() + ": " + beforeLoadMessage(step);
                return kExitScenario;
            }
            deviceStep(step);
            win32sim::waitQuiescent();
            return kExitOk;
        case StepSide::Time:
            runLoop(win32sim::nowMs() + static_cast<std::uint64_t>(step.integer(0)), {});
            return kExitOk;
        case StepSide::Host:
            return runHostStep(step, error);
        case StepSide::Drawing:
            mCameraSet |= step.kind == StepKind::Camera;
            if (runDrawingStep(step, message)) {
                return kExitOk;
            }
            break;
        case StepSide::Desktop:
            if (runDesktopStep(step, message)) {
                // The motion charts' scroll column follows every list window,
                // the picture book's and a live page's alike.
                if (step.kind == StepKind::Window) {
                    const int id = static_cast<int>(step.integer(0));
                    if (mWatch != nullptr) {
                        mWatch->watchWindow(id);
                    }
                    if (mPictures != nullptr) {
                        mPictures->watchWindow(id);
                    }
                }
                return kExitOk;
            }
            break;
    }
    error = step.where() + ": " + message;
    return kExitScenario;
}

int Player::runHostStep(const Step& step, std::string& error) {
    switch (step.kind) {
        case StepKind::Command:
            if (!arxsim::runCommand(std::string_view(step.words.at(0)))) {
                error = step.where() + ": " + noCommandMessage(step);
                return kExitScenario;
            }
            win32sim::waitQuiescent();
            return kExitOk;
        case StepKind::Space:
            for (const SpaceVars& space : kSpaces) {
                if (step.words.at(0) == space.name) {
                    arxsim::setSpace(space.tilemode, space.cvport);
                }
            }
            return kExitOk;
        case StepKind::NoDocument:
            if (arxsim::hasDocument()) {
                mModule.documentClosing();
                arxsim::closeDocument();
            }
            return kExitOk;
        case StepKind::Document:
            if (!arxsim::hasDocument()) {
                arxsim::openDocument();
                mModule.documentOpened();
            }
            return kExitOk;
        case StepKind::NewDocument:
            arxsim::newDocument();
            mModule.documentOpened();
            return kExitOk;
        case StepKind::CurrentDocument:
        case StepKind::CloseDocument:
            return runDocumentStep(step, error);
        case StepKind::Unload:
            if (!mModule.loaded()) {
                error = step.where() + ": 'unload' expects a loaded module; it is not loaded";
                return kExitScenario;
            }
            unload();
            return kExitOk;
        case StepKind::Load:
            if (mModule.loaded()) {
                error = step.where() + ": 'load' expects an unloaded module; it is loaded";
                return kExitScenario;
            }
            return load(&step, error);
        case StepKind::Setting:
            // The module reads the file at load and writes it back at unload.
            if (mModule.loaded()) {
                error = step.where() +
                        ": 'setting' expects an unloaded module; it is loaded (setting steps go "
                        "before the first wait, command or load, or after an unload)";
                return kExitScenario;
            }
            // The check before play has found every step it could not write;
            // what fails now is a file that cannot be written (a full disk).
            if (std::string why = setSetting(mSettingsPath, step.words.at(0), step.words.at(1));
                !why.empty()) {
                error = step.where() + ": " + why;
                return kExitIo;
            }
            return kExitOk;
        default:
            return kExitOk;
    }
}

int Player::runDocumentStep(const Step& step, std::string& error) {
    const int number = static_cast<int>(step.integer(0));
    const std::vector<int> open = arxsim::openDocuments();
    if (std::find(open.begin(), open.end(), number) == open.end()) {
        error = step.where() + ": " + notOpenMessage(step, number);
        return kExitScenario;
    }
    if (step.kind == StepKind::CurrentDocument) {
        arxsim::activateDocument(number);
    } else {
        mModule.documentClosing();
        arxsim::closeDocument(number);
    }
    return kExitOk;
}

int Player::load(const Step* step, std::string& error) {
    std::string message;
    if (!mModule.load(static_cast<int>(arxsim::openDocuments().size()), message)) {
        error = (step != nullptr ? step->where() + ": " : std::string()) + message;
        return kExitModule;
    }
    if (mWatch != nullptr) {
        // The module has read its settings (or written its defaults).
        mWatch->setThreshold(
            std::strtoll(settingValue(mSettingsPath, "minThreshold").c_str(), nullptr, 10));
    }
    win32sim::waitQuiescent();
    return kExitOk;
}

void Player::unload() {
    std::string warning;
    if (!mModule.unload(static_cast<int>(arxsim::openDocuments().size()), warning)) {
        mWarnings.push_back(warning);
    }
    if (int alive = win32sim::registeredThreadCount()) {
        mWarnings.push_back(std::to_string(alive) + " thread(s) of the module outlived its unload");
    }
}

}  // namespace qxsim
