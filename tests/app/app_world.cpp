#include "app_world.h"

#include <unistd.h>

#include <cstdlib>

#include "arx_control.h"
#include "arx_world_control.h"
#include "autocad2011_app.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"

namespace fs = std::filesystem;

void AppWorld::SetUp() {
    win32sim::resetWorld();
    qxdaemon::reset();
    arxsim::reset();
    arxworld::reset();
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_app_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    fs::create_directories(mProfile / "QuorvexDevice" / "Applications");
    setenv("USERPROFILE", mProfile.c_str(), 1);
}

void AppWorld::TearDown() {
    if (theApp.mQxAutoCadP) {
        send(AcRx::kUnloadAppMsg);
    }
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
    transcript::setMemoryCapture(false);
    fs::remove_all(mProfile);
}

AcRx::AppRetCode AppWorld::send(int code) {
    return acrxEntryPoint(static_cast<AcRx::AppMsgCode>(code), &mAppId);
}
