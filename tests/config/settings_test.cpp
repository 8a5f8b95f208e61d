// Settings: the default file byte for byte, the fall-back to defaults, values
// read from a file, the write-back at destruction and a missing profile. Each
// test gets its own profile folder through USERPROFILE.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cnfg.h"
#include "logging.h"
#include "settings.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string kDataDir = QX_CONFIG_TEST_DATA_DIR;

// Keys of both sections in file order, with values that differ from the
// defaults.
const std::vector<std::pair<std::string, std::string>> kProgramValues = {
    {"name", "Test Plug-in"},        {"version", "3.1.4"},         {"transSensBase", "111"},
    {"rotSensBase", "-222"},         {"minThreshold", "33"},       {"maxContMoveTime", "44"},
    {"toggleRotationCenter", "off"}, {"toggleRotationAxis", "on"}, {"scrollTreeAndList", "off"},
    {"useInt3dIntrfce", "on"}};
const std::vector<std::pair<std::string, std::string>> kLoggingValues = {
    {"logFile", "other_log.txt"},
    {"maxSize", "77"},
    {"logToFile", "off"},
    {"logToCnsl", "on"},
    {"warning", "on"},
    {"creation", "off"},
    {"trace", "on"},
    {"devcom", "on"},
    {"intcom", "on"},
    {"info", "off"},
    {"debug", "on"},
    {"tmp", "on"},
    {"fileToLog", "daemon_proxy"}};

// A settings file in the simplest syntax, with some values replaced and one
// key left out.
std::string settingsText(const std::vector<std::pair<std::string, std::string>>& changes = {},
                         const std::string& omit = "") {
    const auto section = [&](const std::string& name, const auto& values) {
        std::string text = "[" + name + "]\n";
        for (auto [key, value] : values) {
            for (const auto& [changedKey, changedValue] : changes) {
                if (changedKey == key) {
                    value = changedValue;
                }
            }
            if (key != omit) {
                text += key + "=" + value + "\n";
            }
        }
        return text;
    };
    return section("PROGRAM", kProgramValues) + "\n" + section("LOGGING", kLoggingValues);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("USERPROFILE")) {
            mOldProfile = old;
        }
        setenv("USERPROFILE", mProfile.path().c_str(), 1);
        fs::create_directories(appsDir());
    }
    void TearDown() override {
        if (mOldProfile) {
            setenv("USERPROFILE", mOldProfile->c_str(), 1);
        } else {
            unsetenv("USERPROFILE");
        }
        // Back to a silent log for the next test.
        LogParameters silent;
        silent.mIsLogToFile = false;
        silent.mIsCreation = false;
        silent.mIsInfo = false;
        gLogging.init(silent);
    }

    fs::path settingsDir() const { return mProfile.path() / "QuorvexDevice"; }
    fs::path appsDir() const { return settingsDir() / "Applications"; }
    std::string settingsFile() const { return (appsDir() / "autocad_addin.ini").string(); }

    TempDir mProfile;
    std::optional<std::string> mOldProfile;
};

TEST_F(SettingsTest, NoFileGivesDefaultsAndWritesTheDefaultFile) {
    {
        Settings settings;
        EXPECT_EQ(settings.mSettingsFilePath, settingsFile());
        EXPECT_EQ(settings.mApplicationsDirPath, appsDir().string());
        EXPECT_EQ(gLogging.mSettingsDirPath, settingsDir().string());
        EXPECT_EQ(settings.mName, "AutoCAD Plug-in");
        EXPECT_EQ(settings.mTraSensBase, 20000);
        EXPECT_TRUE(settings.mToggleRotationCenter);
        EXPECT_EQ(settings.mLogPars.mMaxSize, 5000);
        // The defaults bring a fresh log record with no folder of its own.
        EXPECT_EQ(settings.mLogPars.mSettingsDirPath, "");
        EXPECT_EQ(settings.toString(), readFile(kDataDir + "/default_dump.txt"));
        EXPECT_EQ(readFile(settingsFile()), readFile(kDataDir + "/default_settings.ini"));
    }
    EXPECT_EQ(readFile(settingsFile()), readFile(kDataDir + "/default_settings.ini"));
}

TEST_F(SettingsTest, CompleteFileIsReadIntoEveryMember) {
    writeFile(settingsFile(), settingsText());
    Settings settings;
    EXPECT_EQ(settings.mName, "Test Plug-in");
    EXPECT_EQ(settings.mVersion, "3.1.4");
    EXPECT_EQ(settings.mTraSensBase, 111);
    EXPECT_EQ(settings.mRotSensBase, -222);
    EXPECT_EQ(settings.mMinThreshold, 33);
    EXPECT_EQ(settings.mMaxContMoveTime, 44);
    EXPECT_FALSE(settings.mToggleRotationCenter);
    EXPECT_TRUE(settings.mToggleRotationAxis);
    EXPECT_FALSE(settings.mScrollTreeAndList);
    EXPECT_TRUE(settings.mUseInt3dIntrfce);
    const LogParameters& log = settings.mLogPars;
    EXPECT_EQ(log.mLogFile, "other_log.txt");
    EXPECT_EQ(log.mMaxSize, 77);
    EXPECT_EQ(std::vector<bool>({log.mIsLogToFile, log.mIsLogToCnsl, log.mIsWarning,
                                 log.mIsCreation, log.mIsTrace, log.mIsDevCom, log.mIsIntCom,
                                 log.mIsInfo, log.mIsDebug, log.mIsTmp}),
              std::vector<bool>({false, true, true, false, true, true, true, false, true, true}));
    EXPECT_EQ(log.mExclFileToLog, "daemon_proxy");
    EXPECT_EQ(log.mSettingsDirPath, settingsDir().string());
}

TEST_F(SettingsTest, MissingKeyReplacesWholeFileWithDefaults) {
    writeFile(settingsFile(), settingsText({}, "tmp"));
    LogParameters console;
    console.mIsLogToFile = false;
    console.mIsLogToCnsl = true;
    gLogging.init(console);
    testing::internal::CaptureStdout();
    {
        Settings settings;
        EXPECT_EQ(settings.mName, "AutoCAD Plug-in");
        EXPECT_EQ(settings.mTraSensBase, 20000);
        EXPECT_FALSE(settings.mToggleRotationAxis);
        EXPECT_EQ(settings.mLogPars.mLogFile, "autocad_addin_log.txt");
        EXPECT_FALSE(settings.mLogPars.mIsTmp);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Parameter 'tmp' in section 'LOGGING' not found! (" + settingsFile() + ")"),
              std::string::npos);
    EXPECT_NE(out.find("Error reading settings file!"), std::string::npos);
    EXPECT_NE(out.find("Settings file not found - using default values ..."), std::string::npos);
    EXPECT_EQ(readFile(settingsFile()), readFile(kDataDir + "/default_settings.ini"));
}

TEST_F(SettingsTest, MissingSectionCountsAsMissingKeys) {
    writeFile(settingsFile(), "[PROGRAM]\nname=x\n");
    Settings settings;
    EXPECT_EQ(settings.mName, "AutoCAD Plug-in");
    // The constructor has replaced the file; put the incomplete one back.
    writeFile(settingsFile(), "[PROGRAM]\nname=x\n");
    EXPECT_EQ(settings.readSettingsFile(settingsFile()), -2);
    EXPECT_EQ(settings.readSettingsFile(mProfile.file("missing.ini")), -1);
}

TEST_F(SettingsTest, ToggledValuesSurviveWriteAndReRead) {
    {
        Settings settings;
        settings.mToggleRotationCenter = false;
        settings.mToggleRotationAxis = true;
        settings.mScrollTreeAndList = false;
        settings.mName = std::string(60, 'n');  // wider than the value column
    }
    const std::string text = readFile(settingsFile());
    EXPECT_NE(text.find("= " + std::string(60, 'n') + "# program's name\n"), std::string::npos);
    Settings settings;
    EXPECT_FALSE(settings.mToggleRotationCenter);
    EXPECT_TRUE(settings.mToggleRotationAxis);
    EXPECT_FALSE(settings.mScrollTreeAndList);
    EXPECT_EQ(settings.mName, std::string(60, 'n'));
    EXPECT_EQ(settings.mTraSensBase, 20000);
}

TEST_F(SettingsTest, ValueConversions) {
    EXPECT_FALSE(Settings::isOn("ON"));
    EXPECT_TRUE(Settings::isOn("none"));
    EXPECT_FALSE(Settings::isOn("1"));
    EXPECT_FALSE(Settings::isOn("true"));
    EXPECT_FALSE(Settings::isOn(""));
    EXPECT_STREQ(Settings::onOff(true), "on");
    EXPECT_STREQ(Settings::onOff(false), "off");

    writeFile(settingsFile(), settingsText({{"toggleRotationCenter", "ON"},
                                            {"scrollTreeAndList", "none"},
                                            {"toggleRotationAxis", "1"},
                                            {"useInt3dIntrfce", "true"},
                                            {"maxSize", "12abc"},
                                            {"transSensBase", "  +15 # fifteen"},
                                            {"rotSensBase", "abc"},
                                            {"minThreshold", "99999999999"},
                                            {"logFile", "my#log.txt"},
                                            {"name", "  spaced name \t# comment"}}));
    Settings settings;
    EXPECT_FALSE(settings.mToggleRotationCenter);
    EXPECT_TRUE(settings.mScrollTreeAndList);
    EXPECT_FALSE(settings.mToggleRotationAxis);
    EXPECT_FALSE(settings.mUseInt3dIntrfce);
    EXPECT_EQ(settings.mLogPars.mMaxSize, 12);
    EXPECT_EQ(settings.mTraSensBase, 15);
    EXPECT_EQ(settings.mRotSensBase, 0);
    EXPECT_EQ(settings.mMinThreshold, INT32_MAX);
    EXPECT_EQ(settings.mLogPars.mLogFile, "my");
    EXPECT_EQ(settings.mName, "spaced name");
}

// Files nobody should write: read without harm, then replaced by defaults.
TEST_F(SettingsTest, HostileFilesFallBackToDefaults) {
    std::string garbage;
    for (int i = 0; i < 50000; ++i) {
        garbage.push_back(static_cast<char>((i * 131 + 17) & 0xff));
    }
    const std::vector<std::string> files = {
        std::string(4096, '\0'),
        "[PROGRAM]\rname=x\rversion=1\r",
        "[PROGRAM]\nname=" + std::string(1 << 20, 'x') + "\n",
        garbage,
        "",
    };
    for (const std::string& contents : files) {
        writeFile(settingsFile(), contents);
        Settings settings;
        EXPECT_EQ(settings.mName, "AutoCAD Plug-in");
        EXPECT_EQ(readFile(settingsFile()), readFile(kDataDir + "/default_settings.ini"));
    }
}

TEST_F(SettingsTest, FolderInPlaceOfTheFileStaysUntouched) {
    fs::create_directory(settingsFile());
    {
        Settings settings;
        EXPECT_EQ(settings.mName, "AutoCAD Plug-in");
        EXPECT_EQ(settings.writeSettingsFile(settingsFile()), -1);
    }
    EXPECT_TRUE(fs::is_directory(settingsFile()));
}

TEST_F(SettingsTest, MissingApplicationsFolderIsNotCreated) {
    fs::remove_all(settingsDir());
    {
        Settings settings;
        EXPECT_EQ(settings.mMaxContMoveTime, 500);
    }
    EXPECT_TRUE(fs::is_empty(mProfile.path()));
}

TEST_F(SettingsTest, UnsetUserProfileWritesNothing) {
    unsetenv("USERPROFILE");
    TempDir cwd;
    const fs::path oldCwd = fs::current_path();
    fs::current_path(cwd.path());
    {
        Settings settings;
        EXPECT_EQ(settings.mUserProfilePath, "");
        EXPECT_EQ(settings.mSettingsFilePath, "");
        EXPECT_EQ(settings.mName, "AutoCAD Plug-in");
        EXPECT_EQ(settings.mTraSensBase, 20000);
        // The log file has no folder to go to either.
        EXPECT_FALSE(settings.mLogPars.mIsLogToFile);
    }
    fs::current_path(oldCwd);
    EXPECT_TRUE(fs::is_empty(cwd.path()));
    EXPECT_TRUE(fs::is_empty(appsDir()));
}

}  // namespace
