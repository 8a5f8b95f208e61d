#include "nav_world.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "qxv_ctrlr_control.h"

namespace fs = std::filesystem;

void NavWorld::SetUp() {
    win32sim::resetWorld();
    qxdaemon::reset();
    arxsim::reset();
    arxworld::reset();
    // No frame cost: time stands still, so the watchdog never runs a pass.
    arxworld::setFrameMs(0);
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_nav_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    fs::create_directories(mProfile / "QuorvexDevice" / "Applications");
    setenv("USERPROFILE", mProfile.c_str(), 1);
}

void NavWorld::TearDown() {
    mQx.reset();
    EXPECT_EQ(0, win32sim::registeredThreadCount());
    const arxworld::Balances b = arxworld::balances();
    EXPECT_EQ(0, b.stillOpen()) << "objects left open";
    EXPECT_EQ(0, b.setsLeaked()) << "selection sets not freed";
    EXPECT_EQ(0, arxsim::lockDepth()) << "drawing left locked";
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    fs::remove_all(mProfile);
}

void NavWorld::load(const std::function<void(Settings&)>& edit) {
    {
        Settings settings;
        settings.mLogPars.mIsTrace = true;
        settings.mLogPars.mIsTmp = true;
        if (edit) {
            edit(settings);
        }
    }  // the destructor writes the settings file
    mQx = std::make_unique<QxAutoCad>();
    arxsim::clearOutput();  // the menu-export start's command text
}

bool NavWorld::pass(int16_t tx, int16_t ty, int16_t tz, int16_t rx, int16_t ry, int16_t rz) {
    mQx->setCapSample(CapSample{tx, ty, tz, rx, ry, rz});
    return proxy().handleDeviceCap();
}

void NavWorld::release() {
    EXPECT_FALSE(pass(0, 0, 0));
}

arxworld::ViewParams NavWorld::step3d(int16_t tx, int16_t ty, int16_t tz, int16_t rx, int16_t ry,
                                      int16_t rz, const arxworld::ViewParams& start) {
    arxworld::setModelView(arxworld::kModelViewport, start);
    proxy().handleCapIsDeflectedIn3DMode(tx, ty, tz, rx, ry, rz);
    return arxworld::gsView(arxworld::kModelViewport).value_or(arxworld::ViewParams{});
}

int NavWorld::logCount(const std::string& text) const {
    std::ifstream in(mProfile / "QuorvexDevice" / "autocad_addin_log.txt");
    std::ostringstream all;
    all << in.rdbuf();
    const std::string log = all.str();
    int count = 0;
    for (auto pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1)) {
        ++count;
    }
    return count;
}
