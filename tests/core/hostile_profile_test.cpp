// A read-only profile, a log folder that disappears while the plug-in runs,
// and a log at its size limit whose old backup cannot be removed: the
// plug-in keeps running and says what failed on the console, and touches
// nothing it may not.
#include <iostream>
#include <sstream>

#include "hostile_host.h"

namespace fs = std::filesystem;

namespace {

// Standard output into a string for the life of the object.
class CoutCapture {
public:
    CoutCapture() : mOld(std::cout.rdbuf(mText.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(mOld); }
    CoutCapture(const CoutCapture&) = delete;
    CoutCapture& operator=(const CoutCapture&) = delete;
    std::string text() const { return mText.str(); }

private:
    std::ostringstream mText;
    std::streambuf* mOld;
};

// Settings with the console copy of the log on and the given size limit.
std::string consoleSettings(const std::string& maxSize = "5000") {
    std::string text = HostileHost::defaultSettings("logToCnsl", "on");
    const std::string head = "\tmaxSize               = ";
    const auto at = text.find(head) + head.size();
    text.replace(at, text.find(' ', at) - at, maxSize);
    return text;
}

class HostileProfile : public HostileHost {};

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
            countOf(console, "Writing default settings file 'autocad_addin.ini' failed!") == 1,
            "the failed write-back is reported once:\n" + console);
        checks.expect(readFile(settingsPath()) == mine, "the settings file changed");
        checks.expect(!fs::exists(logPath()), "a log file appeared");
        return checks.failures();
    });
}

TEST_F(HostileProfile, LogFolderThatDisappearsIsNotMadeAgain) {
    // Size limit 0: every line first moves the log to its backup and opens it
    // again, which fails once the folder is gone.
    writeFile(settingsPath(), consoleSettings("0"));
    CoutCapture out;
    load();
    EXPECT_TRUE(keysStillWork());
    ASSERT_TRUE(fs::exists(logPath()));
    fs::remove_all(deviceDir());
    EXPECT_TRUE(keysStillWork());
    for (int i = 0; i < 5; ++i) {
        tick();
    }
    EXPECT_TRUE(keysStillWork());
    unload();
    EXPECT_FALSE(fs::exists(deviceDir())) << "the plug-in makes none of its folders";
    EXPECT_EQ(countOf(out.text(), "Opening of stream of'" + logPath().string() + "' failed!"), 1)
        << out.text();
}

TEST_F(HostileProfile, BackupThatCannotBeRemovedStopsOnlyTheFileLog) {
    // An old backup that is a folder with something in it cannot be removed.
    const fs::path backup = deviceDir() / "autocad_addin_log.bak";
    fs::create_directories(backup / "keep");
    writeFile(settingsPath(), consoleSettings("1"));
    CoutCapture out;
    load();
    EXPECT_TRUE(keysStillWork());
    const auto sizeAtFailure = fs::file_size(logPath());
    for (int i = 0; i < 5; ++i) {
        tick();
    }
    EXPECT_TRUE(keysStillWork());
    unload();
    EXPECT_EQ(fs::file_size(logPath()), sizeAtFailure) << "lines still reach the closed file";
    EXPECT_GE(sizeAtFailure, 1000u) << "the log had reached its limit";
    EXPECT_TRUE(fs::exists(backup / "keep"));
    EXPECT_EQ(countOf(out.text(), "'" + backup.string() + "' couldn't be removed!"), 1)
        << out.text();
    EXPECT_GT(countOf(out.text(), "Destructed."), 0) << "the console copy goes on";
}

}  // namespace
