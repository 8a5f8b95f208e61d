// The main-thread side of a live session.

#include "live_session.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>

#include "exit_codes.h"
#include "live_hub.h"
#include "live_recorder.h"
#include "live_server.h"
#include "own_files.h"
#include "pass_watch.h"
#include "picture_book.h"
#include "profile.h"
#include "settings_step.h"
#include "transcript.h"
#include "win32_control.h"

namespace qxsim {

extern const char* const kLivePage;  // live_page/index.html, bundled at build time

namespace {

// State and log are refreshed at most this often (clock time, which keeps
// pace with the wall clock); a picture as soon as the view changed.
constexpr std::uint64_t kSlowRefreshMs = 100;
// The most of the module's log read in one refresh; more is skipped.
constexpr std::size_t kLogChunkBytes = 256 * 1024;
// The chart of a motion under way is drawn again at most this often.
constexpr std::uint64_t kChartRefreshMs = 100;
// A steering page hidden this long releases the cap.
constexpr std::chrono::milliseconds kHiddenGrace{1000};

std::atomic<bool> gStopSignal{false};

extern "C" void onStopSignal(int) {
    gStopSignal.store(true);
}

// A file of the session's own that only its user may read: made anew, never
// through a link nor over a file that is there, and removed at the end when
// it is still the file made.
class PrivateFile {
public:
    PrivateFile() = default;
    ~PrivateFile() { remove(); }
    PrivateFile(const PrivateFile&) = delete;
    PrivateFile& operator=(const PrivateFile&) = delete;

    bool create(const std::string& path, std::string_view text, std::string& error);
    void remove();

private:
    std::string mPath;
    dev_t mDevice = 0;
    ino_t mInode = 0;
};

bool PrivateFile::create(const std::string& path, std::string_view text, std::string& error) {
    const int fd = createNewFile(path, 0600);
    if (fd < 0) {
        error = "cannot make '" + path + "': " + std::strerror(errno) +
                (errno == EEXIST ? " (left by a qxsim that was killed? if so, remove it)" : "");
        return false;
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    mPath = path;
    mDevice = info.st_dev;
    mInode = info.st_ino;
    const bool written =
        known && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (::close(fd) != 0 || !written) {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        remove();
        return false;
    }
    return true;
}

void PrivateFile::remove() {
    struct stat info {};
    if (!mPath.empty() && ::lstat(mPath.c_str(), &info) == 0 && info.st_dev == mDevice &&
        info.st_ino == mInode) {
        ::unlink(mPath.c_str());
    }
    mPath.clear();
}

// Starts the user's browser on the page through `opener`, a page that only the
// user may read: a command line, which every local user can see, never
// holds the token. Returns the process started, or 0.
pid_t openBrowser(const std::string& url, const std::string& path, PrivateFile& opener) {
    std::string error;
    if (!opener.create(path,
                       "<!DOCTYPE html>\n<meta http-equiv=\"refresh\" content=\"0;url=" + url +
                           "\">\n<title>qxsim live</title>\n<a href=\"" + url + "\">" + url +
                           "</a>\n",
                       error)) {
        std::cerr << "qxsim: cannot open the page in a browser: " << error << "\n";
        return 0;
    }
    // The browser keeps none of qxsim's files open (its folder's lock among them).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // In a session of its own, so that the Ctrl-C which ends qxsim does not
    // reach a browser started from it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const char* const argv[] = {"xdg-open", path.c_str(), nullptr};
    pid_t pid = 0;
    const int failed =
        posix_spawnp(&pid, argv[0], &actions, &attributes, const_cast<char* const*>(argv), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::cerr << "qxsim: cannot start xdg-open to open the page in a browser: "
                  << std::strerror(failed) << "\n";
        return 0;
    }
    return pid;
}

bool isPassEvent(const std::string& line) {
    return line.find("\"ev\":\"view\"") != std::string::npos ||
           line.find("\"ev\":\"paper_view\"") != std::string::npos ||
           line.find("\"ev\":\"view_saved\"") != std::string::npos;
}

class LiveSession {
public:
    LiveSession(Player& player, PassWatch& passes, PageHub& hub, StepInbox& inbox,
                LiveRecorder& recorder, std::string logPath)
        : mPlayer(player),
          mPasses(passes),
          mHub(hub),
          mInbox(inbox),
          mRecorder(recorder),
          mLogPath(std::move(logPath)) {}
    // A pace still on the clock's schedule finds the session gone.
    ~LiveSession() { *mAlive = false; }
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Returns an exit code and sets `error` (a full transcript ends the session).
    int run(std::string& error);

private:
    // A host step taken at `ms`, waiting for an idle host.
    struct Pending {
        std::uint64_t ms;
        std::uint64_t number;
        Step step;
        std::size_t place;  // in the recording
    };

    void schedulePace(std::uint64_t ms);
    void pace(std::uint64_t ms);
    void runPending();
    void failed(std::uint64_t number, const Step& step, const std::string& error);
    void collect();
    void publish(std::uint64_t now);
    void publishSlow(std::uint64_t now);  // state and log
    void publishChart(std::uint64_t now);
    void tailLog();
    void releaseIfGone();

    Player& mPlayer;
    PassWatch& mPasses;
    PageHub& mHub;
    StepInbox& mInbox;
    LiveRecorder& mRecorder;
    std::string mLogPath;
    std::uintmax_t mLogOffset = 0;
    std::string mLogPartial;
    std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
    std::chrono::steady_clock::time_point mWallAtZero;  // the wall clock's time at clock time 0
    std::deque<Pending> mPending;
    std::optional<std::uint64_t> mQuitMs;  // the clock's time when the end was taken
    bool mPictureDue = true;
    bool mScenarioDue = true;
    std::uint64_t mApplied = 0;      // number of the last step played
    std::uint64_t mPassApplied = 0;  // the same when the module last redrew
    std::string mLastPicture;
    std::uint64_t mLastPictureApplied = 0;
    std::uint64_t mLastSlowMs = 0;
    bool mCapHeld = false;  // the cap is deflected, as the last cap or release left it
    std::uint64_t mLastChartMs = 0;
    std::string mNewRows;  // CSV lines of the passes not yet sent
    bool mChartEnded = false;

public:
    // What the course tells of the motions (PassWatch's listener).
    void motionRow(const PassRow& row) { mNewRows += csvLine(row); }
    void motionEnded() { mChartEnded = true; }
};

int LiveSession::run(std::string& error) {
    const std::uint64_t now = win32sim::nowMs();
    mWallAtZero = std::chrono::steady_clock::now() - std::chrono::milliseconds(now);
    schedulePace(now + 1);
    const auto stop = [this] { return !mPending.empty() || mQuitMs.has_value(); };
    for (;;) {
        // The loop returns at each millisecond, so that a host step taken
        // then stops it where a replay's wait for the step's time ends.
        while (!stop() && !transcript::fileFull()) {
            mPlayer.runLoop(win32sim::nowMs() + 1, stop);
        }
        runPending();
        if (mPlayer.transcriptFull(error)) {
            *mAlive = false;
            return kExitIo;
        }
        if (mQuitMs) {
            break;
        }
    }
    *mAlive = false;
    // Device steps due with the last host step, as at the end of a scenario.
    win32sim::advanceTo(win32sim::nowMs());
    collect();
    return kExitOk;
}

// The host steps taken, in order, as a replay runs them: each after the
// loop has run up to its time (the loop that just returned ran up to the
// first one's), then the end's time, when the session ends.
void LiveSession::runPending() {
    std::optional<std::uint64_t> last;
    while (!mPending.empty()) {
        Pending next = std::move(mPending.front());
        mPending.pop_front();
        if (last && next.ms != *last) {
            mPlayer.runLoop(next.ms, {});
        }
        last = next.ms;
        std::string error;
        if (mPlayer.runHostSide(next.step, error) != kExitOk || !error.empty()) {
            mRecorder.drop(next.place);
            failed(next.number, next.step, error);
        }
        mApplied = next.number;
        mPictureDue = mScenarioDue = true;
    }
    if (mQuitMs && last && *mQuitMs != *last) {
        mPlayer.runLoop(*mQuitMs, {});
    }
}

// The page knows a step by the number its answer gave: "page step N".
void LiveSession::failed(std::uint64_t number, const Step& step, const std::string& error) {
    const std::string where = step.where() + ": ";
    const std::string told =
        "page step " + std::to_string(number) + " '" + step.text +
        "' failed: " + (error.starts_with(where) ? error.substr(where.size()) : error);
    liveLog(told);
    mHub.publish("log", "qxsim: " + told);
    transcript::Fields fields;
    fields.uinteger("step", number).str("reason", told);
    mHub.publish("failed", "{" + fields.text().substr(1) + "}");
}

void LiveSession::schedulePace(std::uint64_t ms) {
    win32sim::scheduleAt(ms, [this, ms, alive = mAlive] {
        if (*alive) {
            pace(ms);
        }
    });
}

// The clock stands at `ms`: it waits for the wall clock to get there, then
// takes the steps the page sent. A device step goes now (one at a time: the
// clock lets the module's threads take each up before the next, as it does
// with a scenario's); a host step waits for the host's loop to be idle.
void LiveSession::pace(std::uint64_t ms) {
    std::this_thread::sleep_until(mWallAtZero + std::chrono::milliseconds(ms));
    releaseIfGone();
    collect();
    publish(ms);
    mRecorder.note(ms);
    if (mInbox.quitting() || gStopSignal.load()) {
        mQuitMs = ms;
        return;
    }
    while (auto next = mInbox.pop(false)) {
        auto& [number, step] = *next;
        const std::size_t place = mRecorder.step(ms, step);
        if (sideOf(step.kind) != StepSide::Device) {
            mPlayer.hostStepTaken();
            mPending.push_back({ms, number, std::move(step), place});
            continue;
        }
        // Passes drawn so far came before this step.
        collect();
        mPlayer.deviceStepNow(step);
        mApplied = number;
        if (step.kind == StepKind::Cap || step.kind == StepKind::Release) {
            mCapHeld = std::any_of(step.numbers.begin(), step.numbers.end(),
                                   [](double v) { return v != 0.0; });
        }
        mPictureDue = mScenarioDue = true;
        schedulePace(ms);
        return;
    }
    schedulePace(ms + 1);
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

void LiveSession::collect() {
    std::vector<std::string> lines = mPasses.drain();
    if (lines.empty()) {
        return;
    }
    std::string batch;
    for (const std::string& line : lines) {
        // A pass's view, or a moved entity, changes the picture.
        const bool isPass = isPassEvent(line);
        if (isPass) {
            mPassApplied = mApplied;
        }
        mPictureDue |= isPass || line.find("\"ev\":\"entity\"") != std::string::npos;
        batch += batch.empty() ? "" : "\n";
        batch += line;
    }
    mScenarioDue = true;
    mHub.publish("transcript", batch);
}

void LiveSession::publish(std::uint64_t now) {
    if (mPictureDue) {
        mPictureDue = false;
        std::string svg = renderSvg(currentScene());
        if (svg != mLastPicture || mPassApplied != mLastPictureApplied) {
            mLastPicture = svg;
            mLastPictureApplied = mPassApplied;
            // Frames report the steps the module's last redraw came after.
            mHub.publish("frame",
                         std::to_string(mPassApplied) + " " + std::to_string(now) + "\n" + svg);
        }
    }
    publishChart(now);
    publishSlow(now);
}

// The chart of the motion under way, a few times a second, and once more at
// its end; with it the rows drawn since the last.
void LiveSession::publishChart(std::uint64_t now) {
    const MotionChart& chart = mPasses.course().chart();
    if (mNewRows.empty() || (!mChartEnded && now < mLastChartMs + kChartRefreshMs)) {
        return;
    }
    mLastChartMs = now;
    mHub.publish("chart", std::to_string(chart.motion()) + " " + std::to_string(chart.rows()) +
                              (mChartEnded ? " ended\n" : " running\n") + mNewRows + chart.svg());
    mNewRows.clear();
    mChartEnded = false;
}

void LiveSession::publishSlow(std::uint64_t now) {
    if (now < mLastSlowMs + kSlowRefreshMs) {
        return;
    }
    mLastSlowMs = now;
    // Commands the host ran when idle (a standard view, zoom all) change the
    // view without a redraw of the module's: the picture is looked at again.
    mPictureDue = true;
    tailLog();
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
    // The passes of the module's driver, for the chart of each motion; the
    // session is set up once it exists.
    LiveSession* session = nullptr;
    PassWatch passes({{},
                      [&session](const PassRow& row) {
                          if (session != nullptr) {
                              session->motionRow(row);
                          }
                      },
                      [&session](int, const std::vector<std::string>&) {
                          if (session != nullptr) {
                              session->motionEnded();
                          }
                      }},
                     true);
    passes.start();
    player.setPassWatch(&passes);
    struct Unwatch {
        Player& player;
        ~Unwatch() { player.setPassWatch(nullptr); }
    } unwatch{player};
    ParseResult prelude = parseScenario(options.prelude, options.preludeName);
    if (prelude.error) {
        error = prelude.error->text();
        return kExitScenario;
    }
    // The recording starts from the settings the session starts from, on
    // any profile, then plays the prelude as the session did.
    const std::string head = settingSteps(options.settingsPath) + options.prelude;
    if (int code = player.playSteps(prelude.steps, error)) {
        player.finish();
        return code;
    }
    if (int code = player.start(error)) {
        return code;
    }
    LiveRecorder recorder(head, player.timeLineMs());
    PageHub hub;
    StepInbox inbox;
    LiveServer server(hub, inbox, recorder, kLivePage);
    const std::string url = server.start(options.listener, error);
    if (url.empty()) {
        player.finish();
        return kExitIo;
    }
    // The URL holds the launch token: the session opens to no one without it.
    PrivateFile urlFile, opener;
    std::filesystem::path transcriptFile = std::filesystem::absolute(options.transcriptPath);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(transcriptFile, ec)) {
        // A device (/dev/null): the files go to the current folder instead.
        transcriptFile = std::filesystem::absolute(kDefaultTranscriptName);
    }
    std::string urlPath = std::filesystem::path(transcriptFile).replace_extension(".url");
    if (urlPath == transcriptFile) {
        urlPath += ".url";  // never the transcript itself
    }
    if (!urlFile.create(urlPath, url + "\n", error)) {
        player.finish();
        return kExitIo;
    }
    std::cout << "qxsim: live session at " << url << " (Ctrl-C ends it)\n"
              << "qxsim: the URL opens the session to whoever has it; it is also in " << urlPath
              << ", for you alone" << std::endl;
    const pid_t browser =
        options.openBrowser
            ? openBrowser(url,
                          std::filesystem::path(transcriptFile).replace_extension(".open.html"),
                          opener)
            : 0;
    gStopSignal.store(false);
    auto previousInt = std::signal(SIGINT, onStopSignal);
    auto previousTerm = std::signal(SIGTERM, onStopSignal);
    int code = kExitOk;
    {
        LiveSession live(player, passes, hub, inbox, recorder, options.logPath);
        session = &live;
        code = live.run(error);
        session = nullptr;
    }
    // The pages learn where the transcript and the log are before their streams end.
    hub.end(options.places, std::chrono::seconds(1));
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    server.stop();
    if (browser != 0) {
        ::waitpid(browser, nullptr, WNOHANG);  // xdg-open is done by now, as a rule
    }
    player.finish();
    return code;
}

}  // namespace qxsim
