// The plug-in object in the test host: loaded and unloaded on this, the
// host's, thread, with its settings written beforehand when a test wants.
// NavHost stops the clock (no frame cost, so the watchdog never runs a pass)
// and drives single navigation passes by hand.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <iomanip>
#include <memory>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "auto_cad_proxy.h"
#include "daemon_proxy.h"
#include "qx_auto_cad.h"
#include "test_host.h"

class PluginHost : public TestHost {
protected:
    // The default settings file, as an earlier run leaves it.
    void SetUp() override {
        TestHost::SetUp();
        writeSettings();
    }
    void TearDown() override {
        unload();
        TestHost::TearDown();
    }

    // Writes the settings file with the defaults changed by `edit`.
    static void writeSettings(const std::function<void(Settings&)>& edit = {}) {
        Settings settings;
        if (edit) {
            edit(settings);
        }
    }  // the destructor writes the file
    void writeMenu(const std::string& text) const { writeFile(menuPath(), text); }
    void load() { mQx = std::make_unique<QxAutoCad>(); }
    void unload() { mQx.reset(); }

    AutoCadProxy& proxy() const { return *mQx->mAutoCadProxyP; }
    DaemonProxy& link() const { return *mQx->mDaemonProxyP; }

    std::unique_ptr<QxAutoCad> mQx;
};

class NavHost : public PluginHost {
protected:
    void SetUp() override {
        PluginHost::SetUp();
        arxdrawing::setFrameMs(0);
    }

    // Loads with trace and temporary entries on.
    void load() {
        writeSettings([](Settings& s) {
            s.mLogPars.mIsTrace = true;
            s.mLogPars.mIsTmp = true;
        });
        PluginHost::load();
        arxsim::clearOutput();  // the menu-export start's command text
    }

    // One pass of the driver with this cap sample, as a timer tick makes it.
    bool pass(int16_t tx, int16_t ty, int16_t tz, int16_t rx = 0, int16_t ry = 0, int16_t rz = 0) {
        mQx->setCapSample(CapSample{tx, ty, tz, rx, ry, rz});
        return proxy().handleDeviceCap();
    }
    // The pass that finds the cap at rest and ends the motion.
    void release() { EXPECT_FALSE(pass(0, 0, 0)); }

    // One 3D step from `start`; returns the graphics view afterwards.
    arxdrawing::ViewParams step3d(int16_t tx, int16_t ty, int16_t tz, int16_t rx, int16_t ry,
                                  int16_t rz,
                                  const arxdrawing::ViewParams& start = arxdrawing::initialView()) {
        arxdrawing::setModelView(arxdrawing::kModelViewport, start);
        proxy().handleCapIsDeflectedIn3DMode(tx, ty, tz, rx, ry, rz);
        return arxdrawing::gsView(arxdrawing::kModelViewport).value_or(arxdrawing::ViewParams{});
    }
};

// sqrt(200 x 150): the shift of dx = 0.2 in the initial view.
inline double initialFieldMean() {
    return std::sqrt(200.0 * 150.0);
}

// Points and vectors equal within `tol` in every coordinate.
template <class Expected, class Actual>
::testing::AssertionResult pointsNear(const char* expectedText, const char* actualText, const char*,
                                      const Expected& e, const Actual& a, double tol) {
    if (std::fabs(e.x - a.x) <= tol && std::fabs(e.y - a.y) <= tol && std::fabs(e.z - a.z) <= tol) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::setprecision(17) << actualText << " is (" << a.x << ", " << a.y << ", " << a.z
           << "), " << expectedText << " is (" << e.x << ", " << e.y << ", " << e.z
           << "), tolerance " << tol;
}
#define EXPECT_POINT_NEAR(expected, actual, tol) \
    EXPECT_PRED_FORMAT3(pointsNear, expected, actual, tol)
