#include "plugin_world.h"

#include "captured_events.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "arx_control.h"
#include "cnfg.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

void PluginWorld::SetUp() {
    win32sim::resetWorld();
    win32sim::resetDesktop();
    qxdaemon::reset();
    arxsim::reset();
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_keys_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    fs::create_directories(appsDir());
    setenv("USERPROFILE", mProfile.c_str(), 1);
    // A settings file read at load keeps the log in the profile's folder.
    { Settings defaults; }
}

void PluginWorld::TearDown() {
    unload();
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    win32sim::resetDesktop();
    fs::remove_all(mProfile);
}

fs::path PluginWorld::appsDir() const {
    return mProfile / "QuorvexDevice" / "Applications";
}

void PluginWorld::writeMenu(const std::string& text) const {
    std::ofstream(appsDir() / "autocad.mnu", std::ios::binary) << text;
}

void PluginWorld::setSetting(const std::string& key, const std::string& value) const {
    const fs::path path = appsDir() / "autocad_addin.ini";
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    const std::regex line("(\t" + key + " +=) [^ ]+");
    std::ofstream(path) << std::regex_replace(text.str(), line, "$1 " + value);
}

std::string PluginWorld::setting(const std::string& key) const {
    int32_t status = 0;
    Cnfg file((appsDir() / "autocad_addin.ini").string(), status);
    std::string value = "<missing>";
    file.getParameter(key, value, "PROGRAM", true);
    return value;
}

void PluginWorld::load() {
    mQx = std::make_unique<QxAutoCad>();
}

void PluginWorld::unload() {
    mQx.reset();
}

void PluginWorld::tick() {
    const auto due = win32sim::nextTimerDueMs();
    ASSERT_TRUE(due.has_value()) << "no timer armed";
    win32sim::runMessageLoopUntil(*due + 1);
}

void PluginWorld::sendEvent(int code) {
    qxdaemon::sendEvent(code);
    win32sim::waitQuiescent();
}

std::string PluginWorld::logText() const {
    std::ifstream in(mProfile / "QuorvexDevice" / "autocad_addin_log.txt");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int PluginWorld::logCount(const std::string& text) const {
    const std::string log = logText();
    int count = 0;
    for (auto pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1)) {
        ++count;
    }
    return count;
}

std::vector<std::string> PluginWorld::events(const std::string& ev) const {
    return captured::ofKind(ev);
}

std::vector<std::wstring> sentTexts() {
    return arxsim::sentStrings();
}
