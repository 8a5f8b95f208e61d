// The main-thread side of a live session.

#include "live_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include "exit_codes.h"
#include "live_hub.h"
#include "live_recorder.h"
#include "live_replay.h"
#include "live_server.h"
#include "picture_book.h"
#include "transcript.h"
#include "win32_control.h"

namespace qxsim {

extern const char* const kLivePage;  // live_page/index.html, bundled at build time

namespace {

// How often device steps are looked for while a timer tick runs (between
// its frames), and the longest idle wait of the main loop.
constexpr std::uint64_t kPumpMs = 2;
constexpr std::uint64_t kIdleWaitMs = 100;
// State and log are refreshed at most this often.
constexpr std::uint64_t kSlowRefreshMs = 100;
// The most of the module's log read in one refresh; more is skipped.
constexpr std::size_t kLogChunkBytes = 256 * 1024;
// A steering page hidden this long releases the cap.
constexpr std::chrono::milliseconds kHiddenGrace{1000};

std::atomic<bool> gStopSignal{false};

extern "C" void onStopSignal(int) {
    gStopSignal.store(true);
}

bool isPassEvent(const std::string& line) {
    return line.find("\"ev\":\"view\"") != std::string::npos ||
           line.find("\"ev\":\"paper_view\"") != std::string::npos ||
           line.find("\"ev\":\"view_saved\"") != std::string::npos;
}

bool changesPicture(const std::string& line) {
    return isPassEvent(line) || line.find("\"ev\":\"entity\"") != std::string::npos;
}

// "t" of a transcript line ({"t":123,...}), in ms.
std::uint64_t timeOf(const std::string& line) {
    return std::strtoull(line.c_str() + 5, nullptr, 10);
}

class LiveSession {
public:
    LiveSession(Player& player, PageHub& hub, StepInbox& inbox, LiveRecorder& recorder,
                std::string logPath)
        : mPlayer(player),
          mHub(hub),
          mInbox(inbox),
          mRecorder(recorder),
          mLogPath(std::move(logPath)) {}
    // A pump still on the clock's schedule finds the session gone.
    ~LiveSession() { *mAlive = false; }
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    void run();

private:
    void playWaiting(bool inTick);
    void collect();
    void publish();
    void publishSlow(std::uint64_t now);  // state and log
    void tailLog();
    void armPump();
    void releaseIfGone();

    Player& mPlayer;
    PageHub& mHub;
    StepInbox& mInbox;
    LiveRecorder& mRecorder;
    std::string mLogPath;
    std::uintmax_t mLogOffset = 0;
    std::string mLogPartial;
    bool mPumpOn = false;
    std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
    bool mPictureDue = true;
    bool mScenarioDue = true;
    std::uint64_t mApplied = 0;      // number of the last step played
    std::uint64_t mPassApplied = 0;  // the same when the module last redrew
    std::string mLastPicture;
    std::uint64_t mLastPictureApplied = 0;
    std::uint64_t mLastStepUs = 0;
    std::uint64_t mLastSlowMs = 0;
    bool mCapHeld = false;  // the last cap played deflects
    Step mTick;             // "wait 0": the host's message loop delivers the due timers
};

void LiveSession::run() {
    std::optional<ScenarioError> ignored;
    mTick = *parseLine("wait 0", "live", 0, ignored);
    mPumpOn = true;
    armPump();
    while (!mInbox.quitting() && !gStopSignal.load()) {
        releaseIfGone();
        playWaiting(false);
        std::string error;
        mPlayer.playTyped(mTick, error);
        // Commands the host ran after the tick (a standard view, zoom all)
        // change the view without a redraw of the module's.
        mPictureDue = true;
        collect();
        publish();
        const std::uint64_t now = win32sim::nowMs();
        std::uint64_t waitMs = kIdleWaitMs;
        if (std::optional<std::uint64_t> due = win32sim::nextTimerDueMs()) {
            waitMs = *due <= now ? 0 : std::min(*due - now, waitMs);
        }
        mInbox.waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs));
    }
    mPumpOn = false;
}

void LiveSession::armPump() {
    win32sim::scheduleAt(win32sim::nowMs() + kPumpMs, [this, alive = mAlive] {
        if (*alive && mPumpOn) {
            releaseIfGone();
            collect();
            playWaiting(true);
            publish();
            armPump();
        }
    });
}

// A cap held by a page that went away (or was hidden long) is released, as
// the page would on a key's release.
void LiveSession::releaseIfGone() {
    if (std::optional<std::string> why = mHub.takeGone(kHiddenGrace); why && mCapHeld) {
        liveLog(*why + ": the cap is released");
        std::optional<ScenarioError> ignored;
        mInbox.push(*parseLine("release", "live", 0, ignored));
        mCapHeld = false;
    }
}

// Plays the steps that wait; during a tick only device steps, which reach
// the module's reading thread while the host is busy with the tick.
void LiveSession::playWaiting(bool inTick) {
    while (auto next = mInbox.pop(inTick)) {
        const auto& [number, step] = *next;
        // Passes drawn so far came before this step.
        collect();
        mLastStepUs = win32sim::nowUs();
        std::string error;
        int code = kExitOk;
        if (inTick) {
            runDeviceStep(step);
        } else {
            code = mPlayer.playTyped(step, error);
        }
        mApplied = number;
        if (step.kind == StepKind::Cap || step.kind == StepKind::Release) {
            mCapHeld =
                step.kind == StepKind::Cap && std::any_of(step.numbers.begin(), step.numbers.end(),
                                                          [](double v) { return v != 0.0; });
        }
        if (code == kExitOk && error.empty()) {
            mRecorder.step(mLastStepUs, step);
        } else {
            liveLog("step " + std::to_string(number) + " '" + step.text + "' failed: " + error);
            mHub.publish("log", "qxsim: step '" + step.text + "' failed: " + error);
        }
        mPictureDue = mScenarioDue = true;
    }
}

void LiveSession::collect() {
    std::vector<std::string> lines = transcript::takeCaptured();
    if (lines.empty()) {
        return;
    }
    std::string batch;
    for (const std::string& line : lines) {
        if (isPassEvent(line)) {
            mPassApplied = mApplied;
            // Lines carry whole ms; a pass seen now came after the last step played.
            mRecorder.pass(std::max(timeOf(line) * 1000, mLastStepUs + 1),
                           line.find("\"ev\":\"view_saved\"") != std::string::npos);
            mRecorder.view(viewNumbers(line));
        }
        mPictureDue |= changesPicture(line);
        batch += batch.empty() ? "" : "\n";
        batch += line;
    }
    mScenarioDue = true;
    mHub.publish("transcript", batch);
}

void LiveSession::publish() {
    const std::uint64_t now = win32sim::nowMs();
    if (mPictureDue) {
        mPictureDue = false;
        std::string svg = renderSvg(currentScene());
        if (svg == mLastPicture && mPassApplied == mLastPictureApplied) {
            return publishSlow(now);
        }
        mLastPicture = svg;
        mLastPictureApplied = mPassApplied;
        // Frames report the steps the module's last redraw came after.
        mHub.publish("frame",
                     std::to_string(mPassApplied) + " " + std::to_string(now) + "\n" + svg);
    }
    publishSlow(now);
}

void LiveSession::publishSlow(std::uint64_t now) {
    if (now < mLastSlowMs + kSlowRefreshMs) {
        return;
    }
    mLastSlowMs = now;
    tailLog();
    mRecorder.note(win32sim::nowUs());
    if (mScenarioDue) {
        mScenarioDue = false;
        mHub.publish("state", "{\"applied\":" + std::to_string(mApplied) +
                                  ",\"recorded\":" + std::to_string(mRecorder.stepCount()) +
                                  ",\"t\":" + std::to_string(now) + "}");
    }
}

// New lines of the module's log; a log that shrank was rotated. Only a
// regular file is read, without waiting (a FIFO or a device in its place
// would block the host's thread), and at most kLogChunkBytes at a time.
void LiveSession::tailLog() {
    const int fd = ::open(mLogPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::uintmax_t>(info.st_size);
        if (size < mLogOffset) {
            mLogOffset = 0;
            mLogPartial.clear();
        }
        if (size - mLogOffset > kLogChunkBytes) {
            mLogOffset = size - kLogChunkBytes;
            mLogPartial.clear();
        }
        text.resize(static_cast<std::size_t>(size - mLogOffset));
        const ssize_t n = ::pread(fd, text.data(), text.size(), static_cast<off_t>(mLogOffset));
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    ::close(fd);
    if (text.empty()) {
        return;
    }
    mLogOffset += text.size();
    text = mLogPartial + text;
    const std::size_t end = text.rfind('\n');
    if (end == std::string::npos) {
        mLogPartial = text.substr(0, kLogChunkBytes);
        return;
    }
    mLogPartial = text.substr(end + 1);
    text.resize(end);
    // Windows line ends in the log.
    std::erase(text, '\r');
    mHub.publish("log", text);
}

}  // namespace

int runLiveSession(Player& player, const LiveOptions& options, std::string& error) {
    transcript::setMemoryCapture(true);
    ParseResult prelude = parseScenario(options.prelude, options.preludeName);
    if (prelude.error) {
        error = prelude.error->text();
        return kExitScenario;
    }
    ReplaySetup replay = options.replay;
    for (const Step& step : prelude.steps) {
        replay.preludeMs += step.kind == StepKind::Wait ? step.integer(0) : 0;
        if (int code = player.playTyped(step, error)) {
            player.finish();
            return code;
        }
    }
    if (int code = player.start(error)) {
        return code;
    }
    SettingsSnapshot settings(replay.settingsDir);
    if (!settings.dir().empty()) {
        replay.settingsDir = settings.dir();
    }
    LiveRecorder recorder(settings.steps() + options.prelude, win32sim::nowUs());
    PageHub hub;
    StepInbox inbox;
    LiveServer server(hub, inbox, recorder, kLivePage, childReplayer(replay));
    const std::string url = server.start(options.port, error);
    if (url.empty()) {
        player.finish();
        return kExitIo;
    }
    std::cout << "qxsim: live session at " << url << " (Ctrl-C ends it)" << std::endl;
    gStopSignal.store(false);
    auto previousInt = std::signal(SIGINT, onStopSignal);
    auto previousTerm = std::signal(SIGTERM, onStopSignal);
    {
        LiveSession session(player, hub, inbox, recorder, options.logPath);
        session.run();
    }
    // The pages learn where the transcript and the log are before their streams end.
    hub.end(options.places, std::chrono::seconds(1));
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    server.stop();
    player.finish();
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    return kExitOk;
}

}  // namespace qxsim
