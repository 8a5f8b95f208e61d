// The race stress run (see race_stress.h). The event stream is planned up
// front from the seed, so the stream number of every key is known before it
// is sent; the host thread records, around every timer tick, how far the
// reading thread had got, and what the tick sent to the command line.
#include "race_stress.h"

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "module_session.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

namespace stress {
namespace {

constexpr int kApplFuncStart = 0x20020;
// One macro per key number: a key runs entry (number % kMenuEntries).
constexpr int kMenuEntries = 4096;
constexpr const wchar_t* kKeyMacroHead = L"_qxkey";
constexpr std::array<int, 7> kSpecialCodes{0x20009, 0x2000A, 0x2000B, 0x2000C,
                                           0x20016, 0x20017, 0x20018};

// Stream shape: no keys until the menu file is surely loaded, a quiet tail
// so that the last key meets a tick with a drawing open.
constexpr int kWarmUpEvents = 300;
constexpr int kTailEvents = 300;
constexpr int kTailTicks = 3;
constexpr int kMinPhaseEvents = 50;
constexpr int kMaxPhaseEvents = 1500;
constexpr std::array<double, 5> kKeyDensities{0.0, 0.003, 0.02, 0.1, 0.3};
constexpr double kSpecialDensity = 0.004;
// The daemon's other events: its settings changed, report the mode again.
constexpr std::array<int, 2> kDaemonCodes{qxdaemon::kSettingsChangedEvent, 0x20013};
constexpr double kDaemonEventDensity = 0.002;
// Rotation codes the host's daemon may switch to (all decodings).
constexpr std::array<int, 8> kRotationCodes{0, 1, 2, 3, 4, 13, 104, 113};

// Host actions: one every 5 to 150 ms between ticks; a closed drawing
// reopens soon.
constexpr std::uint64_t kMinActionGapMs = 5;
constexpr std::uint64_t kMaxActionGapMs = 150;
constexpr std::uint64_t kMaxClosedMs = 150;

constexpr int kListWindowId = 1;
constexpr std::array<const char*, 4> kToggleCommands{
    "QX_Toggle_Rotation_Center", "QX_Toggle_Rotation_Axis", "QX_Toggle_Scroll_Mode",
    "QX_Toggle_Object_Move_Mode"};

enum class Kind { Motion, Key, Special, Daemon };

struct PlannedEvent {
    Kind kind = Kind::Motion;
    std::array<short, 6> axes{};
    int code = qxdaemon::kMotionEvent;
};

struct Plan {
    std::vector<PlannedEvent> events;
    std::vector<std::uint64_t> keyEvents;  // stream number (from 1) of each key
};

Plan makePlan(std::mt19937_64& rng, int count) {
    Plan plan;
    std::uniform_int_distribution<int> phaseLength(kMinPhaseEvents, kMaxPhaseEvents);
    std::uniform_int_distribution<int> axis(-600, 600);
    std::uniform_int_distribution<int> jitter(-40, 40);
    std::uniform_int_distribution<std::size_t> density(0, kKeyDensities.size() - 1);
    std::uniform_int_distribution<std::size_t> special(0, kSpecialCodes.size() - 1);
    std::uniform_real_distribution<double> chance(0.0, 1.0);

    int keyNumber = 0;
    while (static_cast<int>(plan.events.size()) < count) {
        const bool moving = chance(rng) < 0.6;
        std::array<short, 6> base{};
        for (short& a : base) {
            a = moving && chance(rng) < 0.5 ? static_cast<short>(axis(rng)) : 0;
        }
        const double keyDensity = kKeyDensities[density(rng)];
        const int length = phaseLength(rng);
        for (int i = 0; i < length && static_cast<int>(plan.events.size()) < count; ++i) {
            const auto index = static_cast<int>(plan.events.size());
            const bool quiet = index < kWarmUpEvents || index >= count - kTailEvents;
            PlannedEvent ev;
            if (!quiet && chance(rng) < keyDensity) {
                ev.kind = Kind::Key;
                ev.code = kApplFuncStart + keyNumber % kMenuEntries;
                ++keyNumber;
                plan.keyEvents.push_back(plan.events.size() + 1);
            } else if (!quiet && chance(rng) < kSpecialDensity) {
                ev.kind = Kind::Special;
                ev.code = kSpecialCodes[special(rng)];
            } else if (!quiet && chance(rng) < kDaemonEventDensity) {
                ev.kind = Kind::Daemon;
                ev.code = kDaemonCodes[chance(rng) < 0.5 ? 0 : 1];
            } else if (moving && !quiet) {
                for (std::size_t a = 0; a < 6; ++a) {
                    ev.axes[a] = base[a] == 0 ? 0 : static_cast<short>(base[a] + jitter(rng));
                }
            }
            plan.events.push_back(ev);
        }
    }
    return plan;
}

bool send(const PlannedEvent& ev) {
    if (ev.kind == Kind::Motion) {
        return qxdaemon::sendMotion(ev.axes[0], ev.axes[1], ev.axes[2], ev.axes[3], ev.axes[4],
                                    ev.axes[5]);
    }
    return qxdaemon::sendEvent(ev.code);
}

// ---- Profile ---------------------------------------------------------------------

std::string stressMenu() {
    std::string text = "[Modes]\nStart = 0\nPaper = 1\nModel = 2\n\n[MenuBar]\n";
    for (int i = 0; i < kMenuEntries; ++i) {
        text += "K" + std::to_string(i) + " = {ID_K" + std::to_string(i) + "}_qxkey" +
                std::to_string(i) + "|key " + std::to_string(i) + "\n";
    }
    return text;
}

fs::path makeProfile() {
    std::string pattern = (fs::temp_directory_path() / "qx_stress_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    const fs::path profile(pattern);
    const fs::path apps = profile / "QuorvexDevice" / "Applications";
    fs::create_directories(apps);
    // Every log level on and a small size limit, so that all three threads
    // log and the log moves to its backup several times under load.
    fs::copy_file(QX_STRESS_SETTINGS, apps / "autocad_addin.ini");
    std::ofstream(apps / "autocad.mnu") << stressMenu();
    return profile;
}

// ---- The host --------------------------------------------------------------------

class Host {
public:
    Host(qxsim::ModuleSession& module, std::mt19937_64& rng, StressReport& report)
        : mModule(module), mRng(rng), mReport(report) {}

    void setUpDrawing() {
        arxdrawing::addSampleDrawing();
        arxsim::setSpace(1, 2);
        win32sim::WindowDescription list;
        list.id = kListWindowId;
        list.className = L"SysListView32";
        list.rect = RECT{0, 0, 100, 100};
        list.scroll = win32sim::ScrollBarDescription{0, 1000, 10, 500};
        win32sim::addWindow(list);
        mNextActionMs = win32sim::nowMs() + kMaxActionGapMs;
    }

    // Advances to the next timer or host action, and runs what is due.
    void step(std::uint64_t limitMs, bool actionsAllowed) {
        const auto due = win32sim::nextTimerDueMs();
        std::uint64_t target = limitMs;
        if (due) {
            target = std::min(target, *due);
        }
        if (actionsAllowed) {
            target = std::min(target, mNextActionMs);
        }
        if (target > win32sim::nowMs()) {
            win32sim::advanceTo(target);
        }
        if (actionsAllowed && win32sim::nowMs() >= mNextActionMs) {
            act();
        }
        if (due && win32sim::nowMs() >= *due) {
            tick();
        }
    }

    void ensureDocument() {
        if (!arxsim::hasDocument()) {
            arxsim::openDocument();
            mModule.documentOpened();
            ++mReport.documentSwitches;
        }
    }

    int ticks() const { return mTicks; }
    const std::vector<Window>& windows() const { return mWindows; }

    // One look at the world from the host thread: closes the window opened by
    // the previous look and opens the next. Called around every tick and
    // from scheduled callbacks, which run while the driver waits for a frame.
    void observe() {
        const std::uint64_t calls = readCalls();
        const int passes = arxsim::varReadCount(L"tilemode");
        if (!mWindows.empty()) {
            Window& closing = mWindows.back();
            closing.readBy = calls;
            // Each pass takes the pending keys and then reads "tilemode",
            // with no frame (and so no look) in between.
            closing.hasTake = passes > mPasses;
            for (const std::wstring& text : arxsim::sentStrings()) {
                if (text.rfind(kKeyMacroHead, 0) == 0) {
                    closing.menuIndices.push_back(static_cast<int>(
                        std::wcstol(text.c_str() + std::char_traits<wchar_t>::length(kKeyMacroHead),
                                    nullptr, 10)));
                } else if (text.find(L"_ZOOM") != std::wstring::npos ||
                           text.find(L"_-VIEW") != std::wstring::npos) {
                    ++mReport.specialsRun;
                }
            }
            arxsim::clearOutput();
        }
        mPasses = passes;
        Window opening;
        // Read call n is entered only after event n-1 has been handled.
        opening.storedBefore = calls > 0 ? calls - 1 : 0;
        opening.documentOpen = arxsim::hasDocument();
        mWindows.push_back(std::move(opening));
    }

private:
    static std::uint64_t readCalls() {
        return static_cast<std::uint64_t>(qxdaemon::callCount(qxdaemon::Op::ReadEvent));
    }

    void tick() {
        observe();
        win32sim::dispatchDueTimers();
        observe();
        ++mTicks;
    }

    void act() {
        std::uniform_int_distribution<int> what(0, 9);
        std::uniform_int_distribution<std::uint64_t> gap(kMinActionGapMs, kMaxActionGapMs);
        std::uint64_t nextGap = gap(mRng);
        const int choice = what(mRng);
        if (!arxsim::hasDocument()) {
            ensureDocument();
        } else if (choice < 4) {
            std::uniform_int_distribution<std::size_t> which(0, kToggleCommands.size() - 1);
            arxsim::runCommand(std::string_view(kToggleCommands[which(mRng)]));
            ++mReport.commands;
        } else if (choice < 6) {
            mModule.documentClosing();
            arxsim::closeDocument();
            ++mReport.documentSwitches;
            nextGap = std::min(nextGap, kMaxClosedMs);
        } else if (choice < 7) {
            // Mostly away from the list, so that scroll mode does not take
            // every motion.
            const bool overList = mRng() % 4 == 0;
            win32sim::setCursorPos(overList ? 50 : 900, overList ? 50 : 900);
            ++mReport.pointerMoves;
        } else if (choice < 8) {
            // Model tab, a layout's paper space, or a model-space viewport of
            // a layout: the navigation mode and the reported mode name change.
            const int space = static_cast<int>(mRng() % 3);
            arxsim::setSpace(space == 0 ? 1 : 0, space == 1 ? 1 : 2);
            ++mReport.spaceSwitches;
        } else if (choice < 9 && (mRng() & 1U) != 0) {
            // The user changes the daemon's rotation settings; the daemon
            // tells the plug-in with an event of the stream.
            std::uniform_int_distribution<std::size_t> which(0, kRotationCodes.size() - 1);
            qxdaemon::setRotation(kRotationCodes[which(mRng)], (mRng() & 1U) != 0);
        } else {
            const int entities = arxdrawing::entityCount();
            std::vector<int> selection;
            for (int i = 0; i < entities; ++i) {
                if ((mRng() % 3) == 0) {
                    selection.push_back(i);
                }
            }
            arxdrawing::setPickfirst(selection);
        }
        mNextActionMs = win32sim::nowMs() + nextGap;
    }

    qxsim::ModuleSession& mModule;
    std::mt19937_64& mRng;
    StressReport& mReport;
    std::uint64_t mNextActionMs = 0;
    int mTicks = 0;
    int mPasses = 0;
    std::vector<Window> mWindows;
};

void resetSimulation(bool realTime) {
    win32sim::resetSimulation();
    win32sim::resetDesktop();
    qxdaemon::reset();
    arxsim::reset();
    arxdrawing::reset();
    win32sim::setClockMode(realTime ? win32sim::ClockMode::Real : win32sim::ClockMode::Virtual);
}

// Plays the stream; returns when every event was sent and read and the host
// ran its final ticks with a drawing open.
void play(const StressOptions& options, const Plan& plan, Host& host, StressReport& report) {
    std::atomic<int> sent{0};
    std::atomic<bool> sending{true};
    const auto wallStart = std::chrono::steady_clock::now();
    std::thread daemon;

    std::atomic<bool> probing{true};
    std::function<void()> probe;
    if (options.realTime) {
        // The host looks at the world every millisecond, also while the
        // driver waits for a frame, so that keys are judged pass by pass.
        probe = [&host, &probing, &probe] {
            host.observe();
            if (probing) {
                win32sim::scheduleAt(win32sim::nowMs() + 1, probe);
            }
        };
        win32sim::scheduleAt(win32sim::nowMs() + 1, probe);
        // The daemon keeps its own pace on its own thread: one event a ms.
        daemon = std::thread([&] {
            const auto start = std::chrono::steady_clock::now();
            for (std::size_t i = 0; i < plan.events.size(); ++i) {
                std::this_thread::sleep_until(start + std::chrono::milliseconds(i + 1));
                if (send(plan.events[i])) {
                    ++sent;
                }
            }
            sending = false;
        });
    } else {
        const std::uint64_t start = win32sim::nowMs();
        for (std::size_t i = 0; i < plan.events.size(); ++i) {
            const PlannedEvent ev = plan.events[i];
            win32sim::scheduleAt(start + i + 1, [ev, &sent, &host] {
                host.observe();
                if (send(ev)) {
                    ++sent;
                }
            });
        }
        win32sim::scheduleAt(start + plan.events.size() + 1, [&sending] { sending = false; });
    }

    // While the daemon sends, the host acts at random; a step never waits
    // longer than 100 ms so that the end of the stream is noticed.
    while (sending) {
        host.step(win32sim::nowMs() + 100, true);
    }
    if (daemon.joinable()) {
        daemon.join();
    }
    report.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    report.eventsSent = sent;

    host.ensureDocument();
    const int ticksAtEnd = host.ticks();
    while (host.ticks() < ticksAtEnd + kTailTicks || qxdaemon::queuedEvents() > 0) {
        // A timer procedure that failed does not arm the timer again.
        if (!win32sim::nextTimerDueMs()) {
            report.problems.push_back("the driver's timer is no longer armed");
            break;
        }
        host.step(win32sim::nowMs() + 100, false);
    }
    probing = false;
    // Let a probe still scheduled run before `probe` goes out of scope.
    win32sim::advanceTo(win32sim::nowMs() + 2);
    win32sim::waitQuiescent();
    host.observe();
}

}  // namespace

StressReport runRaceStress(const StressOptions& options) {
    StressReport report;
    report.realTime = options.realTime;
    std::mt19937_64 rng(options.seed);
    const int count =
        options.realTime ? static_cast<int>(options.seconds * 1000.0) : options.events;
    if (count < kWarmUpEvents + kTailEvents) {
        report.error =
            "too short a run: at least " + std::to_string(kWarmUpEvents + kTailEvents) + " events";
        return report;
    }
    const Plan plan = makePlan(rng, count);
    report.specialsSent = static_cast<int>(
        std::count_if(plan.events.begin(), plan.events.end(),
                      [](const PlannedEvent& ev) { return ev.kind == Kind::Special; }));

    const fs::path profile = makeProfile();
    if (profile.empty()) {
        report.error = "cannot make a temporary profile";
        return report;
    }
    setenv("USERPROFILE", profile.c_str(), 1);
    resetSimulation(options.realTime);

    qxsim::ModuleSession module(options.modulePath.empty() ? qxsim::moduleBesideExecutable()
                                                           : options.modulePath);
    Host host(module, rng, report);
    host.setUpDrawing();
    if (!module.load(arxsim::hasDocument(), report.error)) {
        fs::remove_all(profile);
        return report;
    }
    report.loaded = true;

    play(options, plan, host, report);

    report.eventsDropped = qxdaemon::droppedEvents();
    const int readCalls = qxdaemon::callCount(qxdaemon::Op::ReadEvent);
    report.eventsRead = readCalls - 1;  // the last call waits for the next event
    report.viewUpdates = arxdrawing::viewUpdateCount();
    report.paperUpdates = arxdrawing::paperUpdateCount();
    report.redraws = arxdrawing::redrawCount();
    report.scrollMessages = static_cast<int>(win32sim::sentMessages().size());
    report.ticks = host.ticks();

    if (report.eventsSent != static_cast<int>(plan.events.size())) {
        report.problems.push_back(
            "the daemon could not deliver every event: " + std::to_string(report.eventsSent) +
            " of " + std::to_string(plan.events.size()));
    }
    if (report.eventsRead != report.eventsSent || qxdaemon::blockedReads() != 1) {
        report.problems.push_back("the reading thread read " + std::to_string(report.eventsRead) +
                                  " events of " + std::to_string(report.eventsSent) +
                                  " (reads waiting: " + std::to_string(qxdaemon::blockedReads()) +
                                  ")");
    }
    if (arxsim::lockDepth() != 0) {
        report.problems.push_back("the drawing is still locked at rest (depth " +
                                  std::to_string(arxsim::lockDepth()) + ")");
    }

    std::string warning;
    if (!module.unload(arxsim::hasDocument(), warning)) {
        report.problems.push_back("unload: " + warning);
    }
    if (win32sim::registeredThreadCount() != 0) {
        report.problems.push_back(std::to_string(win32sim::registeredThreadCount()) +
                                  " plug-in threads outlived the unload");
    }
    const arxdrawing::Balances balances = arxdrawing::balances();
    if (balances.stillOpen() != 0 || balances.setsLeaked() != 0) {
        report.problems.push_back("host resources left: " + std::to_string(balances.stillOpen()) +
                                  " objects open, " + std::to_string(balances.setsLeaked()) +
                                  " selection sets not freed");
    }

    report.keys = checkKeys(plan.keyEvents, kMenuEntries, host.windows());
    report.logBackups = fs::exists(profile / "QuorvexDevice" / "autocad_addin_log.bak") ? 1 : 0;
    fs::remove_all(profile);
    return report;
}

std::string describe(const StressReport& report) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(1);
    if (!report.loaded) {
        out << "not run: " << report.error << "\n";
        return out.str();
    }
    out << "events: " << report.eventsSent << " sent, " << report.eventsRead << " read, "
        << report.eventsDropped << " dropped";
    if (report.realTime) {
        out << ", " << report.seconds << " s wall clock, "
            << static_cast<double>(report.eventsSent) / report.seconds << " events/s";
    }
    out << "\nhost: " << report.ticks << " ticks, " << report.viewUpdates << " view updates, "
        << report.paperUpdates << " paper view updates, " << report.redraws << " object redraws, "
        << report.scrollMessages << " scroll messages, " << report.commands << " toggle commands, "
        << report.documentSwitches << " document switches, " << report.spaceSwitches
        << " space switches, " << report.pointerMoves << " pointer moves\n"
        << "keys: " << report.keys.sent << " sent, " << report.keys.executed << " executed, "
        << report.keys.replaced << " replaced by a newer key, " << report.keys.droppedNoDrawing
        << " dropped without a drawing, " << report.keys.violations.size() << " lost\n"
        << "special functions: " << report.specialsSent << " sent, " << report.specialsRun
        << " commands sent by the plug-in\n"
        << "log moved to its backup: " << (report.logBackups > 0 ? "yes" : "no") << "\n";
    for (const std::string& v : report.keys.violations) {
        out << "LOST: " << v << "\n";
    }
    for (const std::string& p : report.problems) {
        out << "PROBLEM: " << p << "\n";
    }
    return out.str();
}

}  // namespace stress
