// Fixture of the plug-in's navigation tests: a fresh simulated world (clock,
// daemon, host, drawing) and a loaded plug-in object in a temporary profile.
// Tests call the host proxy's operations on this, the host's main thread,
// and read back the view, the drawing, the transcript and the log. Every
// test ends with no object left open, no selection set leaked and the
// drawing unlocked.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "auto_cad_proxy.h"
#include "qx_auto_cad.h"
#include "world_fixture.h"

class NavWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the plug-in object with the default settings changed by `edit`
    // (logging to its file; trace and temporary entries on unless edited).
    void load(const std::function<void(Settings&)>& edit = {});

    AutoCadProxy& proxy() const { return *mQx->mAutoCadProxyP; }
    // One pass of the driver with this cap sample (as a timer tick makes it).
    bool pass(int16_t tx, int16_t ty, int16_t tz, int16_t rx = 0, int16_t ry = 0, int16_t rz = 0);
    // The pass that finds the cap at rest and ends the motion.
    void release();

    // One 3D step from `start` (default: the session's initial view); returns
    // the graphics view afterwards.
    arxworld::ViewParams step3d(int16_t tx, int16_t ty, int16_t tz, int16_t rx, int16_t ry,
                                int16_t rz,
                                const arxworld::ViewParams& start = arxworld::initialView());

    int logCount(const std::string& text) const;

    std::filesystem::path mProfile;
    std::unique_ptr<QxAutoCad> mQx;
};

// sqrt(200 x 150): the shift of dx = 0.2 in the initial view.
inline double initialFieldMean() {
    return std::sqrt(200.0 * 150.0);
}
