// qxsim as a program: exit codes and messages, the profile folder it uses
// or makes, where the transcript goes.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e_support.h"

namespace e2e {
namespace {
namespace fs = std::filesystem;

constexpr auto npos = std::string::npos;

// Waits, for a minute at most, until the file `path` has a line that holds
// `text` or the process `pid` ends; woken by each change in the file's
// folder, never by a timer.
bool waitForText(const std::string& path, const std::string& text, int pid) {
    const int watch = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(watch, fs::path(path).parent_path().c_str(), IN_MODIFY | IN_CREATE);
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd changed[] = {{watch, POLLIN, 0}, {process, POLLIN, 0}};
    std::ifstream in;
    bool found = false;
    char events[4096];
    do {
        in.is_open() ? in.clear() : in.open(path);
        for (std::string line; !found && std::getline(in, line);) {
            found = line.find(text) != npos;
        }
    } while (!found && poll(changed, 2, 60000) > 0 && changed[1].revents == 0 &&
             read(watch, events, sizeof events) > 0);
    close(watch);
    close(process);
    return found;
}

TEST(Qxsim, StepThatCannotBeCarriedOutStopsNamingFileLineAndWhatWasExpected) {
    // The whole scenario is checked before the module loads: a line that does
    // not parse and a step that could not be carried out where it stands.
    const std::pair<const char*, const char*> cases[] = {
        {"wait 10\ncap 1 2 3\n", "scenario.qxs:2: 'cap' takes 6 values, found 3"},
        {"wait 10\nload\n", "scenario.qxs:2: 'load' expects an unloaded module"},
        {"line 0 0 0 1 1 1\nwait 10\nselect 0 3\n",
         "scenario.qxs:3: an entity number below 1, found 3"},
        {"circle 0 0 0 0\n", "scenario.qxs:1: a radius above zero, found 0"},
        {"camera 1 2 3 1 2 3 0 0 1 200 150 parallel\n",
         "scenario.qxs:1: a camera apart from its target, found both at the same point"},
        {"paperview 0 0 150 0 300\n",
         "scenario.qxs:1: VIEWHEIGHT, WIDTH and HEIGHT above zero, found 150, 0, 300"},
        {"command QX_Toggle_Scroll_Mode\nunload\ncommand QX_Toggle_Scroll_Mode\n",
         "scenario.qxs:3: no registered command 'QX_Toggle_Scroll_Mode' (the module's"},
        {"wait 10\ncommand qx_toggle_scrol_mode\n",
         "scenario.qxs:2: no registered command 'qx_toggle_scrol_mode' (did you mean "
         "'QX_Toggle_Scroll_Mode'?); the module's commands: QX_Toggle_Rotation_Center, "},
        {"document new\nwait 10\nnodocument 3\n",
         "scenario.qxs:3: 'nodocument N' expects an open drawing's number; 3 is not open"},
        {"drawing sample\nkey 0x2000B\nwait 10\n",
         "scenario.qxs:2: 'key' before the module is loaded would reach no module"},
        {"wait 10\nsetting toggleRotationCenter off\n",
         "scenario.qxs:2: 'setting' expects an unloaded module; it is loaded"},
        {"setting toggleRotationCentre off\n",
         "scenario.qxs:1: 'toggleRotationCentre' is not a key of the settings file"},
        // Values the module would read otherwise than written.
        {"setting rotSensBase abc\n",
         "scenario.qxs:1: 'rotSensBase' takes a decimal whole number from -2147483648 to "
         "2147483647, found 'abc' (the module would log: Setting 'rotSensBase' read as abc is "
         "not a decimal number - using 0.)"},
        {"setting toggleRotationAxis true\n",
         "scenario.qxs:1: 'toggleRotationAxis' is a switch, on or off, found 'true' (the module "
         "reads a value as on when it holds \"on\": this one reads as off)"},
        {"setting logFile \"my#log.txt\"\n", "in the settings file a value ends at '#'"},
        {"wait 10\nkey 0x2001\n",
         "scenario.qxs:2: an event code from 0x20001 to 0x2ffff (motion comes with 'cap'), "
         "found 0x2001"},
        {"wait 86400000\nwait 1\n",
         "scenario.qxs:2: waits that add up to at most 86400000 ms of virtual time (--max-time "
         "raises it), found 86400001"},
    };
    for (const auto& [scenario, expected] : cases) {
        SimRun run = runQxsim(scenario);
        EXPECT_EQ(run.exitCode, 2) << scenario;
        EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
        EXPECT_TRUE(run.transcript.empty()) << scenario;
        removeRun(run);
    }
    // Keys the module answers with an ERR entry or ignores play, told
    // beforehand; the menu's macros counted as the module counts them.
    RunSetup menu;
    menu.menu = "[MenuBar]\nNone = {ID_None}\nLine = {ID_Line}_line|Draw\nText = _circle\n";
    SimRun run = runQxsim("wait 10\nkey menu2\nkey 0x2000d\nwait 10\n", menu);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("qxsim: warning: scenario.qxs:3: 'key 0x2000d': no key of the device "
                           "sends 0x2000d: the module ignores it"),
              std::string::npos)
        << run.err;
    EXPECT_NE(
        run.err.find("qxsim: warning: scenario.qxs:2: 'key menu2': the menu file '" + run.profile +
                     "/QuorvexDevice/Applications/autocad.mnu' has 1 macro(s), none for key "
                     "0x20021: the module will log ERR \"keyEvent (1') too big (max. is "
                     "0)!\" and send nothing"),
        std::string::npos)
        << run.err;
    removeRun(run);
}

TEST(Qxsim, ScenarioBeyondItsBoundsIsRefusedBeforeTheModuleLoads) {
    // A mistake on the last line of a scenario of 20,001 lines and a week of
    // virtual time (the bound raised) is found at once: nothing played, no log.
    std::string week;
    for (int i = 0; i < 10000; ++i) {
        week += "cap 0 0 0 0 0 1\nwait 60480\n";
    }
    week += "camera 0 0 1 0 0 0 0 0 1 200 150 parallel\n";
    RunSetup raised;
    raised.extraArgs = {"--max-time", "604800010"};
    const std::pair<std::string, std::string> cases[] = {
        {"drawing sample\nwait 10\n" + week, "scenario.qxs:20003: an up vector across the line"},
        {"wait 10\n#" + std::string(64 * 1024, 'x') + "\n",
         "scenario.qxs:2: a line of at most 65536 bytes, found 65537"},
        {std::string(8 * 1024 * 1024 + 1, '\n'), "scenario.qxs: a scenario of at most 8 MiB"},
    };
    for (const auto& [scenario, expected] : cases) {
        SimRun run = runQxsim(scenario, raised);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
        EXPECT_TRUE(run.transcript.empty());
        EXPECT_FALSE(fs::exists(run.profile + "/QuorvexDevice/autocad_addin_log.txt"));
        removeRun(run);
    }
}

TEST(Qxsim, FullTranscriptStopsTheSessionOnAWholeLine) {
    // A cap held for a day fills a 1 MiB transcript in seconds of virtual time.
    RunSetup setup;
    setup.extraArgs = {"--max-transcript", "1"};
    SimRun run = runQxsim("drawing sample\nwait 10\ncap 0 0 0 0 0 100\nwait 86399990\n", setup);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("the transcript reached its limit of 1 MiB at t = "), std::string::npos)
        << run.err;
    const std::string text = readFile(run.dir + "/transcript.jsonl");
    EXPECT_LE(text.size(), 1u << 20);
    EXPECT_GT(text.size(), (1u << 20) - 1024);
    EXPECT_EQ(text.back(), '\n');
    removeRun(run);
}

TEST(Qxsim, SettingStepsGiveTheModuleTheirValuesOnAProfileWithoutSettings) {
    RunSetup fresh;
    fresh.seedSettings = false;
    SimRun run =
        runQxsim("setting maxContMoveTime 40\nsetting logFile \"my log.txt\"\nwait 10\n", fresh);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The module logged into the file named by the step, and wrote the value
    // back in its column, the comments still aligned.
    EXPECT_TRUE(std::filesystem::exists(run.profile + "/QuorvexDevice/my log.txt"));
    std::ifstream in(run.profile + "/QuorvexDevice/Applications/autocad_addin.ini");
    std::string line, changed, other;
    while (std::getline(in, line)) {
        changed = line.find("maxContMoveTime") != std::string::npos ? line : changed;
        other = line.find("transSensBase") != std::string::npos ? line : other;
    }
    EXPECT_TRUE(changed.starts_with("\tmaxContMoveTime       = 40 ")) << changed;
    EXPECT_EQ(changed.find('#'), other.find('#')) << changed;
    removeRun(run);
}

// The `setting` step and the module at unload write the file a link names,
// where it lies, with its mode and owner; both leave a read-only file alone.
TEST(Qxsim, SettingStepsAndTheModuleReplaceALinkedFileWhereItLies) {
    for (const bool readOnly : {false, true}) {
        RunSetup linked;
        linked.seedSettings = false;
        linked.prepare = [readOnly](const std::string& dir) {
            const std::string real = dir + "/store/real.ini";
            fs::create_directories(dir + "/profile/QuorvexDevice/Applications");
            fs::create_directories(dir + "/store");
            fs::copy_file(QX_E2E_DIR "/profile/autocad_addin.ini", real);
            EXPECT_EQ(chmod(real.c_str(), readOnly ? 0444 : 0600), 0);
            EXPECT_TRUE(chown(real.c_str(), 1234, 1234) == 0 || geteuid() != 0);
            fs::create_symlink("../../../store/real.ini",
                               dir + "/profile/QuorvexDevice/Applications/autocad_addin.ini");
        };
        SimRun run = runQxsim(
            "wait 100\ncommand QX_Toggle_Rotation_Axis\nunload\nsetting transSensBase 123\nload\n"
            "wait 100\n",
            linked);
        const std::string real = run.dir + "/store/real.ini";
        const std::string text = readFile(real);
        struct stat st {};
        ASSERT_EQ(stat(real.c_str(), &st), 0);
        EXPECT_TRUE(fs::is_symlink(run.profile + "/QuorvexDevice/Applications/autocad_addin.ini"));
        EXPECT_EQ(st.st_mode & 07777, readOnly ? 0444u : 0600u);
        EXPECT_TRUE(st.st_uid == 1234u || geteuid() != 0) << st.st_uid;
        EXPECT_EQ(std::distance(fs::directory_iterator(run.dir + "/store"), {}), 1);
        if (readOnly) {
            // Found before anything plays.
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_TRUE(run.transcript.empty());
            EXPECT_NE(
                run.err.find("scenario.qxs:4: cannot write the settings file '" + run.profile +
                             "/QuorvexDevice/Applications/autocad_addin.ini': the file is "
                             "read-only; '" +
                             real + "' is left as it was"),
                std::string::npos)
                << run.err;
            EXPECT_EQ(text, readFile(QX_E2E_DIR "/profile/autocad_addin.ini"));
        } else {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_NE(text.find("transSensBase         = 123 "), std::string::npos) << text;
            EXPECT_NE(text.find("toggleRotationAxis    = on "), std::string::npos) << text;
        }
        removeRun(run);
    }
}

// A link, folder or pipe of the old temporary file's name beside the
// settings file is never opened, followed or in the way; a temporary file a
// killed process left goes; a second name of the settings file stays one.
TEST(Qxsim, LeftoversBesideTheSettingsFileAreHarmless) {
    for (int kind = 0; kind < 4; ++kind) {
        RunSetup setup;
        setup.seedSettings = kind < 3;
        setup.prepare = [kind](const std::string& dir) {
            const std::string apps = dir + "/profile/QuorvexDevice/Applications";
            const std::string leftover = apps + "/autocad_addin.ini.tmp";
            fs::create_directories(apps);
            writeFile(dir + "/victim.txt", "victim");
            if (kind == 0) {
                fs::create_symlink("../../../victim.txt", leftover);
            } else if (kind == 1) {
                fs::create_directory(leftover);
            } else if (kind == 2) {
                EXPECT_EQ(mkfifo(leftover.c_str(), 0644), 0);
            } else {  // no process id is this high
                writeFile(apps + "/autocad_addin.ini.4194305-1.tmp", "left by a kill");
                fs::copy_file(QX_E2E_DIR "/profile/autocad_addin.ini", apps + "/autocad_addin.ini");
                fs::create_hard_link(apps + "/autocad_addin.ini", dir + "/second.ini");
            }
        };
        SimRun run = runQxsim("setting rotSensBase 77\nwait 100\n", setup);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string settings = run.profile + "/QuorvexDevice/Applications/autocad_addin.ini";
        EXPECT_FALSE(fs::is_symlink(settings)) << kind;
        EXPECT_NE(readFile(settings).find("rotSensBase           = 77 "), std::string::npos);
        EXPECT_EQ(readFile(run.dir + "/victim.txt"), "victim");
        if (kind == 3) {
            EXPECT_EQ(std::distance(
                          fs::directory_iterator(run.profile + "/QuorvexDevice/Applications"), {}),
                      2);
            EXPECT_EQ(readFile(run.dir + "/second.ini"), readFile(settings));
        }
        removeRun(run);
    }
}

// A read-only applications folder: the `setting` step writes the file in
// place where the new text fits in it, and otherwise leaves it as it was.
TEST(Qxsim, SettingStepInAReadOnlyFolderWritesInPlaceOnlyWhereItFits) {
    for (const bool fits : {true, false}) {
        RunSetup readOnly;
        readOnly.seedSettings = false;
        if (geteuid() == 0) {  // as a user, for whom folder permissions hold
            readOnly.launcher = {"/usr/bin/setpriv", "--pdeathsig=KILL", "--reuid=65534",
                                 "--regid=65534", "--clear-groups"};
        }
        readOnly.prepare = [](const std::string& dir) {
            const fs::path apps = fs::path(dir) / "profile/QuorvexDevice/Applications";
            fs::create_directories(apps);
            fs::copy_file(QX_E2E_DIR "/profile/autocad_addin.ini", apps / "autocad_addin.ini");
            for (const fs::path& path :
                 {fs::path(dir), apps.parent_path(), apps, apps / "autocad_addin.ini"}) {
                EXPECT_TRUE(chown(path.c_str(), 65534, 65534) == 0 || geteuid() != 0);
            }
            fs::permissions(apps, fs::perms::owner_read | fs::perms::owner_exec);
        };
        SimRun run = runQxsim(fits ? "setting transSensBase 123\nwait 10\n"
                                   : "setting name \"" + std::string(60, 'n') + "\"\nwait 10\n",
                              readOnly);
        const fs::path apps = fs::path(run.profile) / "QuorvexDevice/Applications";
        const std::string text = readFile(apps / "autocad_addin.ini");
        if (!readOnly.launcher.empty() &&
            (run.exitCode == -1 || run.exitCode == 126 || run.exitCode == 127)) {
            GTEST_SKIP() << "qxsim cannot run as an unprivileged user from here: " << run.err;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(apps), {}), 2) << "a file left";
        if (fits) {
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_NE(text.find("transSensBase         = 123 "), std::string::npos) << text;
        } else {
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_NE(run.err.find("no temporary file can be made in the folder '" + apps.string() +
                                   "' (read-only?)"),
                      std::string::npos)
                << run.err;
            EXPECT_EQ(text, readFile(QX_E2E_DIR "/profile/autocad_addin.ini"));
        }
        fs::permissions(apps, fs::perms::owner_all);
        removeRun(run);
    }
}

TEST(Qxsim, ScenarioThatIsNoFileOrTranscriptOnAFullDeviceIsAnError) {
    // Refused at once: a pipe no longer waits for a writer (cut at 60 s).
    for (const auto& [path, says] : {std::pair{".", "'.': it is a folder"},
                                     {"fifo", "'fifo': it is a pipe"},
                                     {"/dev/null", "'/dev/null': it is a device"}}) {
        RunSetup setup;
        setup.launcher = {"/usr/bin/timeout", "60"};
        setup.passScenario = false;
        setup.extraArgs = {path};
        setup.prepare = [](const std::string& dir) { mkfifo((dir + "/fifo").c_str(), 0600); };
        SimRun run = runQxsim("", setup);
        EXPECT_EQ(run.exitCode, 2) << run.out;
        EXPECT_NE(run.err.find(std::string("cannot read the scenario ") + says), npos) << run.err;
        removeRun(run);
    }

    RunSetup full;
    full.giveTranscript = false;
    full.extraArgs = {"--transcript", "/dev/full"};
    SimRun run = runQxsim("wait 10\n", full);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.err.find("cannot write the transcript '/dev/full'"), std::string::npos)
        << run.err;
    removeRun(run);
}

TEST(Qxsim, ModuleThatCannotBeLoadedNamesPathAndLoaderMessage) {
    RunSetup setup;
    setup.extraArgs = {"--module", "no/such/libmodule.so"};
    SimRun run = runQxsim("wait 10\n", setup);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("cannot load the module 'no/such/libmodule.so': "), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << run.err;
    removeRun(run);
}

// One qxsim per profile and per transcript, whatever path leads to them (its
// own earlier transcript it replaces); a stop signal ends it as its end does.
TEST(Qxsim, ASecondQxsimLeavesARunningOnesFilesAloneAndASignalEndsItAsItsEnd) {
    RunSetup first;
    first.prepare = [](const std::string& d) { writeFile(d + "/transcript.jsonl", "{\"t\":0}"); };
    first.whileRunning = [](int pid, const std::string& dir) {
        EXPECT_TRUE(waitForText(dir + "/transcript.jsonl", "Rotation Axis:  on", pid));
        RunSetup viaLink, sameTranscript;
        viaLink.giveProfile = false;
        viaLink.prepare = [&dir](const std::string& own) {
            fs::create_directory_symlink(dir + "/profile", own + "/profile");
        };
        viaLink.extraArgs = {"--profile", "profile"};
        sameTranscript.giveTranscript = false;
        sameTranscript.extraArgs = {"--transcript", dir + "/transcript.jsonl"};
        const std::string by = "(process " + std::to_string(pid) + ")";
        for (const auto& [setup, says] :
             {std::pair{viaLink, "qxsim already runs in this folder " + by},
              {sameTranscript, "qxsim already writes '" + dir + "/transcript.jsonl' " + by}}) {
            SimRun second = runQxsim("wait 10\n", setup);
            EXPECT_TRUE(second.exitCode == 1 && second.err.find(says) != npos) << second.err;
            removeRun(second);
        }
        kill(pid, SIGTERM);
    };
    SimRun run = runQxsim("wait 1000\ncommand QX_Toggle_Rotation_Axis\nwait 86399000\n", first);
    EXPECT_TRUE(run.exitCode == 143 && run.err.find("stopped by SIGTERM at t = ") != npos)
        << run.exitCode << run.err;
    EXPECT_NE(readFile(run.profile + "/QuorvexDevice/Applications/autocad_addin.ini")
                  .find("toggleRotationAxis    = on"),
              npos);
    ASSERT_FALSE(run.transcript.empty() || run.log.empty());
    EXPECT_NE(run.transcript.front(), "{\"t\":0}");
    EXPECT_NE(run.transcript.back().find("\"ev\":\"unload\""), npos) << run.transcript.back();
    EXPECT_NE(run.log.back().find("destructing"), npos) << run.log.back();
    removeRun(run);
}

// As a user in a folder another made (as /tmp): a link or someone else's file
// (one like qxsim's too) is never written; the profile's parent may be read-only.
TEST(Qxsim, LinksAndFilesOthersPlantedAreLeftAlone) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "plants files as another user: needs root";
    }
    const std::string planted = "<svg xmlns=\"planted by another user\"/>";
    RunSetup setup;
    setup.launcher = {"/usr/bin/setpriv", "--pdeathsig=KILL", "--reuid=65534", "--regid=65534",
                      "--clear-groups"};
    setup.giveProfile = setup.giveTranscript = false;
    bool plantProfile = false;
    setup.prepare = [&planted, &plantProfile](const std::string& dir) {
        fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);
        if (plantProfile) {  // the default profile, made first by another user
            fs::create_directories(dir + "/qxsim-profile/QuorvexDevice/Applications");
        }
        writeFile(dir + "/victim.txt", "my notes");
        writeFile(dir + "/view-002.svg", planted);
        chmod((dir + "/view-002.svg").c_str(), 0666);  // as another user might leave it
        fs::create_directories(dir + "/home/profile");
        EXPECT_EQ(chown((dir + "/victim.txt").c_str(), 65534, 65534), 0);
        EXPECT_EQ(chown((dir + "/home/profile").c_str(), 65534, 65534), 0);
        fs::create_symlink(dir + "/victim.txt", dir + "/qxsim-transcript.jsonl");
        fs::create_symlink(dir + "/victim.txt", dir + "/view-001.svg");
    };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "cannot write the transcript '"},
        {{"--transcript", "mine.jsonl", "--render", "."}, "cannot write every picture"},
        {{"--transcript", "mine.jsonl", "--profile", "home/profile"}, ""},
        {{"--transcript", "mine.jsonl"}, "' is another user's folder"}};
    for (const auto& [args, says] : cases) {
        setup.extraArgs = args;
        plantProfile = says.ends_with("folder");
        SimRun run = runQxsim("wait 10\n", setup);
        EXPECT_TRUE(run.exitCode == (says.empty() ? 0 : 1) && run.err.find(says) != npos)
            << run.err;
        EXPECT_EQ(readFile(run.dir + "/victim.txt"), "my notes");
        EXPECT_EQ(readFile(run.dir + "/view-002.svg"), planted);
        removeRun(run);
    }
}

// Scenarios of up to 8 MiB are accepted; one of a million steps is held in a
// few times its size.
TEST(Qxsim, LargestScenarioTakesAFewTimesItsSizeInMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' own memory would be measured";
#endif
    std::string waits;
    while (waits.size() + 7 <= 8u << 20) {
        waits += "wait 0\n";
    }
    SimRun run = runQxsim(waits);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LT(run.peakKiB, 4 * 8 * 1024) << "KiB for an 8 MiB scenario";
    removeRun(run);
}

// Steps typed on the wall clock start as a file's do, from the view fitted
// to the drawing; a line that does not parse is told and passed over.
TEST(Qxsim, TypedStepsStartAsAFilesAndABadLineIsPassedOver) {
    const std::string steps =
        "drawing sample\nview iso\nwait 200\ncommand QX_Toggle_Scroll_Mode\ncap 0 0 0 0 100 0\n"
        "wait 300\nrelease\nwait 100\n";
    RunSetup setup;
    setup.scenarioOnStdin = true;
    setup.extraArgs = {"--real-time"};
    SimRun typed = runQxsim("fly away\n" + steps, setup);
    SimRun file = runQxsim(steps);
    EXPECT_EQ(typed.exitCode, 0) << typed.err;
    EXPECT_NE(typed.err.find("<stdin>:1: unknown step 'fly'"), std::string::npos) << typed.err;
    std::vector<double> widths;
    for (const SimRun* run : {&typed, &file}) {
        const auto view =
            std::find_if(run->transcript.begin(), run->transcript.end(),
                         [](const std::string& line) { return textField(line, "ev") == "view"; });
        ASSERT_NE(view, run->transcript.end()) << "the command after the bad line did not run";
        widths.push_back(numberField(*view, "width"));
    }
    EXPECT_EQ(widths[0], widths[1]);
    EXPECT_LT(widths[1], 200);
    removeRun(typed);
    removeRun(file);
}

TEST(Qxsim, SettingsFileThatIsAPipeOrAnEndlessDeviceIsNotRead) {
    // qxsim looks up the log's name in the settings file as the module reads
    // it: a pipe blocked it for ever, a link to /dev/zero read a gigabyte.
    const fs::path profile =
        fs::temp_directory_path() / ("qxsim-e2e-settings-" + std::to_string(getpid()));
    const fs::path settings = profile / "QuorvexDevice" / "Applications" / "autocad_addin.ini";
    for (const bool pipe : {true, false}) {
        fs::create_directories(settings.parent_path());
        if (pipe) {
            ASSERT_EQ(mkfifo(settings.c_str(), 0600), 0);
        } else {
            fs::create_symlink("/dev/zero", settings);
        }
        RunSetup setup;
        setup.giveProfile = false;
        setup.extraArgs = {"--profile", profile.string()};
        SimRun run = runQxsim("wait 10\n", setup);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const fs::path log = profile / "QuorvexDevice" / "autocad_addin_log.txt";
        EXPECT_NE(run.out.find("log:        " + log.string()), std::string::npos) << run.out;
        removeRun(run);
        fs::remove_all(profile);
    }
}

// A profile given without its settings folder runs, as the module would on a
// machine without the device's driver, and is told so; a `setting` step is
// refused before playing; --init-profile makes the profile usable.
TEST(Qxsim, GivenProfileWithoutItsSettingsFolderIsToldAndInitProfileMakesItUsable) {
    RunSetup setup;
    setup.withApplicationsFolder = false;
    SimRun run = runQxsim("wait 100\n", setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_empty(run.profile)) << "qxsim or the module created files in it";
    const std::string apps = run.profile + "/QuorvexDevice/Applications";
    for (const std::string& told :
         {"the profile '" + run.profile + "' has no folder '" + apps + "'",
          "qxsim --init-profile " + run.profile + " makes a usable profile"}) {
        EXPECT_NE(run.err.find(told), std::string::npos) << run.err;
    }
    EXPECT_NE(run.out.find(run.profile + " (given with --profile, without its settings folder"),
              std::string::npos)
        << run.out;
    setup.dir = run.dir;
    SimRun refused = runQxsim("setting rotSensBase 5000\nwait 100\n", setup);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.transcript.empty());
    EXPECT_NE(refused.err.find("scenario.qxs:1: the profile '" + run.profile + "' has no folder"),
              std::string::npos)
        << refused.err;

    RunSetup init;
    init.giveProfile = init.giveTranscript = init.passScenario = false;
    init.extraArgs = {"--init-profile", run.profile};
    init.dir = run.dir;
    EXPECT_EQ(runQxsim("", init).exitCode, 0);
    EXPECT_EQ(readFile(apps + "/autocad.mnu"), readFile(QX_EXAMPLES_DIR "/autocad.mnu"));
    SimRun usable = runQxsim("setting rotSensBase 5000\nwait 200\nkey menu2\nwait 200\n", setup);
    EXPECT_EQ(usable.exitCode, 0) << usable.err;
    EXPECT_EQ(usable.err, "");
    EXPECT_NE(readFile(usable.dir + "/transcript.jsonl").find("\"text\":\"_circle\\n\""),
              std::string::npos);
    removeRun(run);
}

// The default profile is made afresh for every run: a scenario's toggles and
// settings do not leak into its next run, and a person's edit of the profile
// is kept whole beside it, never written through or removed.
TEST(Qxsim, DefaultProfileIsMadeAfreshSoARunRepeatsAndAnEditIsKept) {
    const std::string scenario =
        "setting rotSensBase 5000\ndrawing sample\nselect 4\nwait 200\n"
        "command QX_Toggle_Rotation_Center\ncommand QX_Toggle_Scroll_Mode\n"
        "cap 0 0 0 0 200 0\nwait 300\nrelease\nwait 200\n";
    RunSetup setup;
    setup.giveProfile = setup.giveTranscript = false;
    SimRun run = runQxsim(scenario, setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(run.profile + " (made afresh for this run"), std::string::npos);
    const fs::path apps = fs::path(run.profile) / "QuorvexDevice" / "Applications";
    const std::string transcript = readFile(run.dir + "/qxsim-transcript.jsonl");
    EXPECT_NE(transcript.find("Scroll Trees and Lists:  off"), std::string::npos);
    setup.dir = run.dir;
    // None, one byte of the settings, the menu a link, a file named like a temporary.
    for (const int edit : {0, 1, 2, 3}) {
        setup.prepare = [&](const std::string& dir) {
            if (edit == 1) {
                std::string settings = readFile(apps / "autocad_addin.ini");
                settings.replace(settings.find("= 5000"), 6, "= 7000");
                writeFile(apps / "autocad_addin.ini", settings);
            } else if (edit == 2) {
                fs::remove(apps / "autocad.mnu");
                fs::create_symlink(fs::path(dir) / "elsewhere.mnu", apps / "autocad.mnu");
            } else if (edit == 3) {
                writeFile(apps / "draft.12-3.tmp", "my notes");
            }
        };
        SimRun again = runQxsim(scenario, setup);
        EXPECT_EQ(again.exitCode, 0) << again.err;
        EXPECT_TRUE(readFile(run.dir + "/qxsim-transcript.jsonl") == transcript)
            << "run " << edit + 2 << " gave another transcript";
        const std::string kept = run.profile + "-kept-" + std::to_string(edit);
        EXPECT_EQ(again.err.find("they are kept in '" + kept + "': play in them with --profile " +
                                 kept) != std::string::npos,
                  edit > 0)
            << again.err;
    }
    EXPECT_NE(readFile(run.profile + "-kept-1/QuorvexDevice/Applications/autocad_addin.ini")
                  .find("= 7000"),
              std::string::npos);
    EXPECT_TRUE(fs::is_symlink(run.profile + "-kept-2/QuorvexDevice/Applications/autocad.mnu"));
    EXPECT_EQ(readFile(run.profile + "-kept-3/QuorvexDevice/Applications/draft.12-3.tmp"),
              "my notes");
    EXPECT_FALSE(fs::exists(run.dir + "/elsewhere.mnu"));
    removeRun(run);
}

// A file that cannot be written while playing ends the session with 1, as a
// full disk does; a run killed at a write leaves no profile file empty or
// cut (a file size limit of 0 or 512 bytes, whose signal kills at the first
// write, or at the first that passes 512 bytes).
TEST(Qxsim, AWriteThatFailsWhilePlayingEndsWithOneAndAKillLeavesNoFileCut) {
    RunSetup limited;
    limited.launcher = {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "sh"};
    SimRun run = runQxsim("setting transSensBase 123\nwait 100\n", limited);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("scenario.qxs:1: cannot write the settings file"), std::string::npos)
        << run.err;
    removeRun(run);

    for (const char* blocks : {"0", "1"}) {
        RunSetup killed;
        killed.giveProfile = false;
        killed.launcher = {"/bin/sh", "-c",
                           std::string("ulimit -c 0; ulimit -f ") + blocks + "; exec \"$@\"", "sh"};
        run = runQxsim("wait 100\n", killed);
        EXPECT_EQ(run.exitCode, 128 + SIGXFSZ) << run.err;
        const std::string apps = run.profile + "/QuorvexDevice/Applications/";
        for (const std::string name : {"autocad_addin.ini", "autocad.mnu"}) {
            const std::string text = readFile(apps + name);
            EXPECT_TRUE(!fs::exists(apps + name) ||
                        text == readFile(std::string(QX_EXAMPLES_DIR "/") + name))
                << name << " after a kill at write " << blocks << ":\n"
                << text;
        }
        RunSetup again;
        again.giveProfile = false;
        again.dir = run.dir;
        SimRun next = runQxsim("wait 300\n", again);
        EXPECT_EQ(next.exitCode, 0) << next.err;
        EXPECT_EQ(next.err, "") << "the killed run's temporary file is taken for an edit";
        EXPECT_NE(readFile(run.profile + "/QuorvexDevice/autocad_addin_log.txt")
                      .find("autocad.mnu' with 6 entries loaded."),
                  std::string::npos);
        removeRun(run);
    }
}

}  // namespace
}  // namespace e2e
