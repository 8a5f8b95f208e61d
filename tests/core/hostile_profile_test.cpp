// A read-only profile: the plug-in keeps running, says what failed on the
// console, and touches nothing it may not. An applications folder that is
// missing or a file gets the one message box. A log folder that disappears and
// a backup that cannot be removed are covered by tests/log.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "arx_control.h"
#include "file_replace.h"
#include "hostile_host.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

namespace {

// Settings with the console copy of the log on and the given size limit.
std::string consoleSettings(const std::string& maxSize = "5000") {
    std::string text = HostileHost::defaultSettings("logToCnsl", "on");
    const std::string head = "\tmaxSize               = ";
    const auto at = text.find(head) + head.size();
    text.replace(at, text.find(' ', at) - at, maxSize);
    return text;
}

class HostileProfile : public HostileHost {};

// The box's text, caption and the beep before it are pinned down by the
// end-to-end transcript (tests/e2e, scenarios/no_applications_folder).
TEST_F(HostileProfile, ApplicationsFolderMissingOrAFileShowsOneOkBox) {
    fs::remove_all(appsDir());
    load();
    ASSERT_EQ(win32sim::shownMessageBoxes().size(), 1u);
    EXPECT_EQ(win32sim::shownMessageBoxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(win32sim::soundedBeeps().size(), 1u);
    EXPECT_TRUE(arxsim::sentStrings().empty());

    unload();  // the settings are written back, and cannot be
    EXPECT_EQ(logCount("| Writing default settings file 'autocad_addin.ini' failed!"), 1);
    EXPECT_EQ(logCount("': the file could not be created in the folder '" + appsDir().string() +
                       "' (the folder does not exist)."),
              1);
    std::ofstream(appsDir()) << "a file, not a folder";
    load();
    EXPECT_EQ(win32sim::shownMessageBoxes().size(), 2u);
    unload();

    // A profile whose name the ANSI code page cannot carry ('?' for each
    // character in the C run-time's view): its one box says so, and nothing
    // is read or written under either name.
    struct WideProfile {
        explicit WideProfile(const std::wstring& path) {
            win32sim::setWideEnvironment(L"USERPROFILE", path);
        }
        ~WideProfile() { win32sim::resetEnvironment(); }
    } profile(deviceDir().wstring() + L"/\u0418\u0432\u0430\u043d");
    const fs::path lookAlike = deviceDir() / "????";
    fs::create_directories(lookAlike / "QuorvexDevice" / "Applications");
    load();
    ASSERT_EQ(win32sim::shownMessageBoxes().size(), 3u);
    EXPECT_EQ(win32sim::shownMessageBoxes()[2].text,
              L"Folder '" + lookAlike.wstring() +
                  L"' cannot be reached: its name holds characters that the ANSI code page "
                  L"cannot carry.\n\nThe plug-in runs on its default settings, without a "
                  L"settings file, menu file or log file.");
    unload();
    EXPECT_TRUE(fs::is_empty(lookAlike / "QuorvexDevice" / "Applications"));
}

TEST_F(HostileProfile, ReadOnlyProfileIsReadAndLeftAsItWas) {
    const std::string mine = consoleSettings();
    writeFile(settingsPath(), mine);
    runUnprivileged([&] {
        Checks checks;
        const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec;
        fs::permissions(settingsPath(), fs::perms::owner_read);
        fs::permissions(appsDir(), readOnly);
        fs::permissions(deviceDir(), readOnly);
        CoutCapture out;
        load();
        checks.expect(mQx->mLogPars.mIsLogToCnsl, "the settings were read");
        checks.expect(static_cast<bool>(keysStillWork()), "keys still work");
        unload();
        const std::string console = out.text();
        checks.expect(countOf(console, "Opening log file 'autocad_addin_log.txtfailed!") == 1,
                      "the log failure is reported once:\n" + console);
        checks.expect(
            countOf(console, "Writing default settings file 'autocad_addin.ini' failed!\n") == 1 &&
                countOf(console, "': the file is read-only;") == 1,
            "the failed write-back is reported once:\n" + console);
        checks.expect(readFile(settingsPath()) == mine, "the settings file changed");
        checks.expect(!fs::exists(logPath()), "a log file appeared");
        return checks.failures();
    });
}

// A read-only applications folder and a writable file: a text that fits in
// the file's own space is written in place, one that does not leaves it as
// it was, and the entry names the folder either way.
TEST_F(HostileProfile, AReadOnlyFolderGetsTheFileWrittenInPlaceOnlyWhereItFits) {
    for (const bool fits : {true, false}) {
        std::string mine = defaultSettings();
        for (const char* key : {"logToCnsl             = ", "warning               = "}) {
            mine.replace(mine.find(key) + 24, 3, "on ");
        }
        if (!fits) {
            mine.erase(mine.find("# maximal time"), 20);  // a user's shorter file
        }
        writeFile(settingsPath(), mine);
        runUnprivileged([&] {
            Checks checks;
            fs::permissions(appsDir(), fs::perms::owner_read | fs::perms::owner_exec);
            CoutCapture out;
            load();
            mQx->mToggleRotationAxis = true;
            unload();
            fs::permissions(appsDir(), fs::perms::owner_all);
            const std::string written = readFile(settingsPath());
            const std::string entry =
                "no temporary file can be made in the folder '" + appsDir().string() + "'";
            checks.expect(countOf(out.text(), entry) == 1,
                          "one entry names the folder:\n" + out.text());
            checks.expect(fits ? written.find("toggleRotationAxis    = on") != std::string::npos
                               : written == mine,
                          (fits ? "not written in place:\n" : "the file changed:\n") + written);
            return checks.failures();
        });
    }
}

// A kill at any step of a write leaves the file reading as the old text or
// the new one, whether it is replaced through a temporary file (made with the
// file's mode), written in place in a read-only folder, or written in place
// through a copy because it has a second name, which stays one with it. The
// temporary files of killed processes go with the next write.
TEST_F(HostileProfile, AKillAtAnyStepLeavesTheOldOrTheNewFile) {
    const std::string mine = defaultSettings("warning", "on") + "# the user's own line\n";
    const std::string next = defaultSettings();
    const fs::path second = deviceDir() / "second.ini";
    const auto temporaries = [&] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(appsDir())) {
            if (entry.path().extension() == ".tmp") {
                found.push_back(entry.path());
            }
        }
        return found;
    };
    for (const char* way : {"replaced", "in a read-only folder", "with a second name"}) {
        writeFile(settingsPath(), mine);
        fs::permissions(settingsPath(), fs::perms::owner_read | fs::perms::owner_write);
        if (way[0] == 'w') {
            fs::create_hard_link(settingsPath(), second);
        }
        runUnprivileged([&] {
            Checks checks;
            umask(022);
            if (way[0] == 'i') {
                fs::permissions(appsDir(), fs::perms::owner_read | fs::perms::owner_exec);
            }
            bool isDone = false;
            for (int step = 1; !isDone && step < 50; ++step) {
                const pid_t child = fork();
                if (child == 0) {
                    prctl(PR_SET_PDEATHSIG, SIGKILL);
                    win32sim::killAtFileChange(step);
                    replaceFileText(settingsPath().string(), next);
                    std::_Exit(0);
                }
                int status = 0;
                waitpid(child, &status, 0);
                isDone = WIFEXITED(status);
                const std::string text = readFile(settingsPath());
                const std::string at =
                    std::string(way) + ", killed at step " + std::to_string(step);
                // The new text may stand padded with blanks to the old length.
                checks.expect(text == mine || text == next ||
                                  (text.size() == mine.size() && text.starts_with(next) &&
                                   text.find_first_not_of(" \n", next.size()) == std::string::npos),
                              at + ": mixed\n" + text);
                for (const fs::path& temp : temporaries()) {
                    checks.expect((fs::status(temp).permissions() & fs::perms::all) ==
                                      (fs::perms::owner_read | fs::perms::owner_write),
                                  at + ": " + temp.filename().string() + " readable by others");
                }
                checks.expect(way[0] != 'w' || (fs::hard_link_count(settingsPath()) == 2 &&
                                                readFile(second) == text),
                              at + ": the names were split");
            }
            checks.expect(readFile(settingsPath()) == next, std::string(way) + ": not written");
            checks.expect(temporaries().empty(), std::string(way) + ": temporary files left");
            return checks.failures();
        });
        fs::permissions(appsDir(), fs::perms::owner_all);
        fs::remove(second);
    }
}

TEST_F(HostileProfile, PipesInPlaceOfTheFilesAreNeverOpened) {
    for (const fs::path& path : {settingsPath(), menuPath(), logPath()}) {
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    }
    // Opening a pipe waits for a writer or reader: a hang ends the test here.
    alarm(60);
    load();
    tick();
    EXPECT_TRUE(keysStillWork());
    unload();
    alarm(0);
    for (const fs::path& path : {settingsPath(), menuPath(), logPath()}) {
        EXPECT_TRUE(fs::is_fifo(path)) << path;
    }
}

}  // namespace
