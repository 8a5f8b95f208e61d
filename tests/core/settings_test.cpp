// Settings: the default file byte for byte, the fall-back to defaults, values
// read from a file, the write-back at destruction and a missing profile. Each
// test gets its own profile folder through USERPROFILE. A profile without the
// settings folder stays untouched: pinned down end to end (tests/e2e); empty,
// binary, huge and folder settings files are covered by the hostile-file tests.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "logging.h"
#include "setting_keys.h"
#include "settings.h"
#include "test_host.h"

namespace fs = std::filesystem;

namespace {

const std::string kDefaultFile = readFile(QX_DEFAULT_SETTINGS_FILE);

// A complete settings file in the plainest syntax; extra lines go first into
// their section, so they win over the plain ones.
std::string settingsText(const std::string& program = "", const std::string& logging = "",
                         const std::string& omit = "") {
    std::string text = "[PROGRAM]\n" + program;
    for (const char* key :
         {"name", "version", "transSensBase", "rotSensBase", "minThreshold", "maxContMoveTime",
          "toggleRotationCenter", "toggleRotationAxis", "scrollTreeAndList", "useInt3dIntrfce"}) {
        text += std::string(key) + "=7\n";
    }
    text += "\n[LOGGING]\n" + logging;
    for (const char* key : {"logFile", "maxSize", "logToFile", "logToCnsl", "warning", "creation",
                            "trace", "devcom", "intcom", "info", "debug", "tmp", "fileToLog"}) {
        if (key != omit) {
            text += std::string(key) + "=on\n";
        }
    }
    return text;
}

class SettingsTest : public TestHost {
protected:
    void TearDown() override {
        LogParameters silent;
        silent.mIsLogToFile = silent.mIsCreation = silent.mIsInfo = false;
        gLogging.init(silent);
        TestHost::TearDown();
    }
    fs::path apps() const { return appsDir(); }
    std::string iniFile() const { return settingsPath().string(); }
    // Every entry, warnings too, on standard output only.
    static void logToConsole() {
        LogParameters console;
        console.mIsLogToFile = false;
        console.mIsLogToCnsl = console.mIsWarning = true;
        gLogging.init(console);
    }
};

TEST_F(SettingsTest, NoFileGivesDefaultsAndWritesTheDefaultFile) {
    {
        Settings settings;
        EXPECT_EQ(settings.mSettingsFilePath, iniFile());
        EXPECT_EQ(settings.mApplicationsDirPath, apps().string());
        EXPECT_EQ(gLogging.mSettingsDirPath, apps().parent_path().string());
        EXPECT_EQ(settings.toString(), readFile(QX_CONFIG_TEST_DATA_DIR "/default_dump.txt"));
        EXPECT_EQ(readFile(iniFile()), kDefaultFile);
    }
    EXPECT_EQ(readFile(iniFile()), kDefaultFile);
}

TEST_F(SettingsTest, ValuesAreConvertedByType) {
    EXPECT_FALSE(Settings::isOn("ON"));
    EXPECT_TRUE(Settings::isOn("none"));
    EXPECT_FALSE(Settings::isOn("1"));
    EXPECT_FALSE(Settings::isOn("true"));

    writeFile(iniFile(), settingsText("name=  spaced name\t# comment\ntransSensBase=0x9C40\n"
                                      "rotSensBase=1e5\nminThreshold=40000abc\n"
                                      "toggleRotationAxis=none\ntoggleRotationCenter=ON\n"
                                      "maxContMoveTime=99999999999\n",
                                      "maxSize=12abc\nlogFile=my#log.txt\ntmp=off\n"));
    Settings settings;
    // Values that are not what they say, or would freeze the host, each get
    // one WRN entry, as written, once the log has started.
    logToConsole();
    testing::internal::CaptureStdout();
    settings.writeHeldEntries();
    const std::string out = testing::internal::GetCapturedStdout();
    for (const char* entry :
         {"|WRN|", "| Setting 'transSensBase' read as 0x9C40 is not a decimal number - using 0.\n",
          "| Setting 'rotSensBase' read as 1e5 is not a decimal number - using 1.\n",
          "| Setting 'minThreshold' read as 40000abc is not a decimal number and out of range "
          "0..32767 - using 32767.\n",
          "| Setting 'maxContMoveTime' read as 99999999999 is out of range 0..10000 - using "
          "10000.\n",
          "| Setting 'maxSize' read as 12abc is not a decimal number - using 12.\n"}) {
        EXPECT_NE(out.find(entry), std::string::npos) << entry << "\n" << out;
    }
    EXPECT_EQ(countOf(out, "|WRN|"), 5) << out;
    EXPECT_EQ(settings.mMaxContMoveTime, 10000);
    EXPECT_EQ(settings.mName, "spaced name");
    EXPECT_EQ(settings.mVersion, "7");
    EXPECT_EQ(settings.mTraSensBase, 0);
    EXPECT_EQ(settings.mRotSensBase, 1);
    EXPECT_EQ(settings.mMinThreshold, 32767);
    EXPECT_TRUE(settings.mToggleRotationAxis);
    EXPECT_FALSE(settings.mToggleRotationCenter);
    EXPECT_FALSE(settings.mScrollTreeAndList);  // "7"
    EXPECT_EQ(settings.mLogPars.mMaxSize, 12);
    EXPECT_EQ(settings.mLogPars.mLogFile, "my");
    EXPECT_TRUE(settings.mLogPars.mIsLogToCnsl);
    EXPECT_FALSE(settings.mLogPars.mIsTmp);
    EXPECT_EQ(settings.mLogPars.mExclFileToLog, "on");

    // A sign alone has no digits: not a number either.
    writeFile(iniFile(), settingsText("transSensBase=-\n", ""));
    Settings signOnly;
    testing::internal::CaptureStdout();
    signOnly.writeHeldEntries();
    EXPECT_NE(testing::internal::GetCapturedStdout().find(
                  "| Setting 'transSensBase' read as - is not a decimal number - using 0.\n"),
              std::string::npos);
}

// qxsim refuses a `setting` value that the module reads otherwise than it
// is written, quoting the module's warning: for every key it foresees the
// warning and the value the module writes back.
TEST_F(SettingsTest, QxsimForeseesTheWarningAndTheValueOfEveryKey) {
    logToConsole();
    for (const qxsim::SettingKey& key : qxsim::settingKeys()) {
        for (const std::string value :
             {"12abc", "-", "-1", "32768", "99999999999", "xonx", "off"}) {
            const std::string line = std::string(key.key) + "=" + value + "\n";
            writeFile(iniFile(),
                      key.section == "PROGRAM" ? settingsText(line) : settingsText("", line));
            testing::internal::CaptureStdout();
            Settings{}.writeHeldEntries();
            const std::string out = testing::internal::GetCapturedStdout();
            const std::string warning = key.type == qxsim::SettingType::Number
                                            ? qxsim::moduleNumberWarning(key, value)
                                            : std::string();
            EXPECT_EQ(countOf(out, "| Setting '" + std::string(key.key) + "' read as "),
                      warning.empty() ? 0 : 1)
                << out;
            EXPECT_TRUE(warning.empty() || out.find("| " + warning + "\n") != std::string::npos)
                << warning << "\n"
                << out;
            const std::string file = readFile(iniFile());
            const std::size_t at =
                file.find("= ", file.find("\t" + std::string(key.key) + " ")) + 2;
            EXPECT_EQ(file.substr(at, file.find(' ', at) - at),
                      qxsim::settingValueAsRead(key, value))
                << key.key << " = " << value;
        }
    }
}

TEST_F(SettingsTest, MissingKeyReplacesWholeFileWithDefaults) {
    writeFile(iniFile(), settingsText("", "", "tmp"));
    logToConsole();
    testing::internal::CaptureStdout();
    {
        Settings settings;
        EXPECT_EQ(settings.mTraSensBase, 20000);
        EXPECT_EQ(settings.mLogPars.mLogFile, "autocad_addin_log.txt");
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Parameter 'tmp' in section 'LOGGING' not found! (" + iniFile() + ")"),
              std::string::npos);
    EXPECT_NE(out.find("Error reading settings file!"), std::string::npos);
    EXPECT_EQ(readFile(iniFile()), kDefaultFile);
}

TEST_F(SettingsTest, ChangedValuesSurviveWriteAndReRead) {
    {
        Settings settings;
        settings.mToggleRotationCenter = false;
        settings.mScrollTreeAndList = false;
        settings.mName = std::string(60, 'n');  // wider than the value column
    }
    EXPECT_NE(readFile(iniFile()).find("= " + std::string(60, 'n') + "# program's name\n"),
              std::string::npos);
    Settings settings;
    EXPECT_FALSE(settings.mToggleRotationCenter);
    EXPECT_FALSE(settings.mScrollTreeAndList);
    EXPECT_EQ(settings.mName, std::string(60, 'n'));
}

TEST_F(SettingsTest, AFullDiskLeavesTheUserFileAsItWas) {
    FullDisk disk(apps());
    writeFile(iniFile(), settingsText());
    logToConsole();
    CoutCapture out;
    {
        Settings settings;
        disk.fill();
    }
    disk.free();
    EXPECT_EQ(readFile(iniFile()), settingsText());
    EXPECT_FALSE(fs::exists(iniFile() + ".tmp"));
    EXPECT_NE(out.text().find("| Writing default settings file 'autocad_addin.ini' failed!\n"),
              std::string::npos);
    EXPECT_NE(out.text().find("| Settings file '" + iniFile() +
                              "': the new file could not be written completely (disk full?); '" +
                              iniFile() + "' is left as it was.\n"),
              std::string::npos)
        << out.text();
}

// The file a link names is replaced in its own folder, however deep, keeping
// its mode and owner; the link stays, and no temporary file is left there.
TEST_F(SettingsTest, ALinkedFileIsReplacedWhereItLiesWithItsModeAndOwner) {
    fs::path store = "store";
    for (char c = 'a'; c < 'g'; ++c) {
        store /= std::string(200, c);
    }
    const fs::path real = mProfile / store / "real.ini";
    fs::create_directories(real.parent_path());
    writeFile(real, settingsText());
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    const bool mayGiveAway = chown(real.c_str(), 1234, 1234) == 0;  // as root
    fs::create_symlink("../.." / store / "real.ini", settingsPath());
    {
        Settings settings;
        settings.mToggleRotationAxis = false;
    }
    EXPECT_TRUE(fs::is_symlink(settingsPath()));
    EXPECT_NE(readFile(real).find("toggleRotationAxis    = off"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(!mayGiveAway || st.st_uid == 1234u) << st.st_uid;
    EXPECT_EQ(std::distance(fs::directory_iterator(real.parent_path()), {}), 1);
}

// Keeping an unusable file aside only adds a backup, never through a link nor
// over an older one, and the entry names it; with every name taken the
// user's file stays as it is.
TEST_F(SettingsTest, KeepingUnusableFilesOnlyAddsBackups) {
    const fs::path notes = mProfile / "b.txt", big = mProfile / "big", empty = mProfile / "empty",
                   shared = mProfile / "shared";
    writeFile(notes, "my other notes B");
    writeFile(shared, "my shared notes");
    writeFile(empty, "");
    writeFile(big, "");
    fs::resize_file(big, 9 << 20);
    const auto bak = [&](const std::string& n) { return apps() / ("autocad_addin.bak" + n); };
    fs::create_symlink(notes, bak(""));
    logToConsole();
    CoutCapture out;
    const auto run = [&](const fs::path& linkTo, bool isHardLink = false) {
        fs::remove(iniFile());
        if (linkTo.empty()) {
            writeFile(iniFile(), "mine");
        } else if (isHardLink) {
            fs::create_hard_link(linkTo, iniFile());
        } else {
            fs::create_symlink(linkTo, iniFile());
        }
        Settings settings;
        settings.writeHeldEntries();
    };
    run(big);           // too large to copy: the link itself goes aside
    run(empty);         // copied
    run({});            // moved
    run(shared, true);  // copied: the two names stay one file
    EXPECT_EQ(readFile(notes), "my other notes B");
    EXPECT_EQ(fs::file_size(big), 9u << 20);
    EXPECT_EQ(fs::read_symlink(bak("")), notes);
    EXPECT_EQ(fs::read_symlink(bak("1")), big);
    EXPECT_EQ(readFile(bak("2")), "");
    EXPECT_EQ(readFile(bak("3")), "mine");
    EXPECT_EQ(readFile(bak("4")), "my shared notes");
    EXPECT_EQ(readFile(shared), kDefaultFile);
    EXPECT_EQ(fs::hard_link_count(shared), 2u);
    for (const char* n : {"1", "2", "3", "4"}) {
        EXPECT_EQ(countOf(out.text(), "' kept as '" + bak(n).string() + "'.\n"), 1) << out.text();
    }
    for (int n = 5; n <= 9; ++n) {
        writeFile(bak(std::to_string(n)), "older");
    }
    run({});
    EXPECT_EQ(readFile(iniFile()), "mine");
    EXPECT_EQ(countOf(out.text(), "' couldn't be kept as any of '" + bak("").string() + "' to '" +
                                      bak("9").string() + "' (all taken)! It is left as it is;"),
              1)
        << out.text();
}

// Read-only as on Windows: not written even by a process that could.
TEST_F(SettingsTest, AReadOnlyFileIsLeftAsItWas) {
    writeFile(iniFile(), settingsText());
    fs::permissions(iniFile(), fs::perms::owner_read | fs::perms::group_read);
    logToConsole();
    CoutCapture out;
    {
        Settings settings;
        settings.mToggleRotationAxis = false;
    }
    EXPECT_EQ(readFile(iniFile()), settingsText());
    EXPECT_EQ(fs::status(iniFile()).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_NE(out.text().find("| Writing default settings file 'autocad_addin.ini' failed!\n"),
              std::string::npos);
    EXPECT_NE(out.text().find("| Settings file '" + iniFile() + "': the file is read-only; '" +
                              iniFile() + "' is left as it was.\n"),
              std::string::npos)
        << out.text();
}

// A link, folder or pipe where a temporary file could go is never opened,
// followed or in the way; a plain leftover of an earlier version goes.
TEST_F(SettingsTest, NothingLeftBesideTheFileIsOpenedFollowedOrInTheWay) {
    const fs::path victim = mProfile / "victim.txt";
    const auto makeLeftover = [&](const fs::path& path, int kind) {
        switch (kind) {
            case 0:
                fs::create_symlink(victim, path);
                break;
            case 1:
                fs::create_directory(path);
                break;
            case 2:
                ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
                break;
            default:
                writeFile(path, "left over");
        }
    };
    // The first names a temporary file of this process would get.
    for (int n = 1; n <= 30; ++n) {
        makeLeftover(iniFile() + "." + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp",
                     n % 3);
    }
    const fs::path old = iniFile() + ".tmp";
    for (int kind = 0; kind < 4; ++kind) {
        writeFile(victim, "victim");
        makeLeftover(old, kind);
        {
            Settings settings;
            settings.mScrollTreeAndList = kind % 2 == 0;
        }
        EXPECT_NE(readFile(iniFile()).find(kind % 2 == 0 ? "scrollTreeAndList     = on"
                                                         : "scrollTreeAndList     = off"),
                  std::string::npos)
            << kind;
        EXPECT_EQ(readFile(victim), "victim");
        EXPECT_EQ(fs::exists(fs::symlink_status(old)), kind != 3) << kind;
        fs::remove(old);
    }
    // One of a process that runs stays.
    const std::string running = iniFile() + "." + std::to_string(getppid()) + "-1.tmp";
    writeFile(running, "");
    { Settings settings; }
    EXPECT_TRUE(fs::exists(running));
    // With every name taken the entry says so.
    for (int n = 31; n <= 100; ++n) {
        makeLeftover(iniFile() + "." + std::to_string(getpid()) + "-" + std::to_string(n) + ".tmp",
                     3);
    }
    fs::remove(iniFile());
    logToConsole();
    CoutCapture out;
    { Settings settings; }
    EXPECT_NE(out.text().find("could not be created in the folder '" + apps().string() +
                              "' (every name tried for a temporary file is taken).\n"),
              std::string::npos)
        << out.text();
}

TEST_F(SettingsTest, UnsetUserProfileWritesNothing) {
    unsetenv("USERPROFILE");
    const fs::path cwd = mProfile / "cwd";
    fs::create_directories(cwd);
    const fs::path oldCwd = fs::current_path();
    fs::current_path(cwd);
    {
        Settings settings;
        EXPECT_EQ(settings.mSettingsFilePath, "");
        EXPECT_EQ(settings.mTraSensBase, 20000);
        EXPECT_FALSE(settings.mLogPars.mIsLogToFile);  // the log has no folder either
        EXPECT_EQ(settings.writeSettingsFile(settings.mSettingsFilePath), -1);
    }
    fs::current_path(oldCwd);
    EXPECT_TRUE(fs::is_empty(cwd));
    EXPECT_TRUE(fs::is_empty(apps()));
}

}  // namespace
