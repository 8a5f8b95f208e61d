#include "core_world.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "auto_cad_proxy.h"
#include "arx_control.h"
#include "arx_world_control.h"
#include "daemon_proxy.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

void CoreWorld::SetUp() {
    win32sim::resetWorld();
    qxdaemon::reset();
    arxsim::reset();
    arxworld::reset();
    win32sim::resetDesktop();
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_core_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    fs::create_directories(mProfile / "QuorvexDevice" / "Applications");
    setenv("USERPROFILE", mProfile.c_str(), 1);
}

void CoreWorld::TearDown() {
    unload();
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
    transcript::setMemoryCapture(false);
    fs::remove_all(mProfile);
}

void CoreWorld::writeSettings(const std::function<void(Settings&)>& edit) {
    Settings settings;
    edit(settings);
}  // the destructor writes the file

void CoreWorld::load() {
    mQx = std::make_unique<QxAutoCad>();
}

void CoreWorld::unload() {
    mQx.reset();
}

void CoreWorld::runFor(std::uint64_t ms) {
    win32sim::runMessageLoopUntil(win32sim::nowMs() + ms);
}

void CoreWorld::runUntil(std::uint64_t ms) {
    win32sim::runMessageLoopUntil(ms);
}

void CoreWorld::sendKey(int code) {
    qxdaemon::sendEvent(code);
    win32sim::waitQuiescent();
}

void CoreWorld::sendCap(short tx, short ty, short tz, short rx, short ry, short rz) {
    qxdaemon::sendMotion(tx, ty, tz, rx, ry, rz);
    win32sim::waitQuiescent();
}

std::string CoreWorld::logText() const {
    std::ifstream in(mProfile / "QuorvexDevice" / "autocad_addin_log.txt");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int CoreWorld::logCount(const std::string& text) const {
    const std::string log = logText();
    int count = 0;
    for (auto pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1)) {
        ++count;
    }
    return count;
}

std::vector<std::uint64_t> CoreWorld::timerIntervals() const {
    std::vector<std::uint64_t> intervals;
    const std::string marker = "\"ev\":\"timer\",\"ms\":";
    for (const std::string& line : transcript::captured()) {
        const auto pos = line.find(marker);
        if (pos != std::string::npos) {
            intervals.push_back(std::stoull(line.substr(pos + marker.size())));
        }
    }
    return intervals;
}

AutoCadProxy& CoreWorld::proxy() const {
    return *mQx->mAutoCadProxyP;
}

DaemonProxy& CoreWorld::link() const {
    return *mQx->mDaemonProxyP;
}
