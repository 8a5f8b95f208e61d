// Time the plug-in spends on one 3D navigation step, next to the 16 ms frame
// the host spends redrawing it. The stand-in's frame cost is 0 here, so the
// figures are CPU time of the plug-in plus the stand-in's bookkeeping; the
// stand-in alone is measured too, for the difference. Default settings and
// logging (translations log at INF to the log file).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "arxHeaders.h"
#include "gs.h"
#include "auto_cad_proxy.h"
#include "qx_auto_cad.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"

namespace {

namespace fs = std::filesystem;

// A loaded plug-in object in a temporary profile, in a fresh world.
class Session {
public:
    explicit Session(bool isInfoLogged = true) {
        win32sim::resetSimulation();
        qxdaemon::reset();
        arxsim::reset();
        arxdrawing::reset();
        arxdrawing::setFrameMs(0);
        transcript::setMemoryCapture(false);
        mProfile = fs::temp_directory_path() / ("qx_nav_bench_" + std::to_string(getpid()));
        fs::remove_all(mProfile);
        fs::create_directories(mProfile / "QuorvexDevice" / "Applications");
        setenv("USERPROFILE", mProfile.c_str(), 1);
        {
            Settings settings;
            settings.mLogPars.mIsInfo = isInfoLogged;
        }  // writes the settings file
        mQx = std::make_unique<QxAutoCad>();
    }
    ~Session() {
        mQx.reset();
        fs::remove_all(mProfile);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    QxAutoCad& qx() { return *mQx; }
    AutoCadProxy& proxy() { return *mQx->mAutoCadProxyP; }

private:
    fs::path mProfile;
    std::unique_ptr<QxAutoCad> mQx;
};

// Small deflections in both senses, so that the view stays near its start.
const CapSample kSamples[2] = {{40, -30, 20, 25, -15, 10}, {-40, 30, -20, -25, 15, -10}};

// One pass of the driver during a motion: mode, axes, scroll test, 3D step.
void BM_Pass3d(benchmark::State& state) {
    Session session;
    arxdrawing::addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    arxdrawing::setPickfirst({0});
    int i = 0;
    for (auto _ : state) {
        session.qx().setCapSample(kSamples[i++ & 1]);
        benchmark::DoNotOptimize(session.proxy().handleDeviceCap());
    }
    session.qx().setCapSample(CapSample{});
    session.proxy().handleDeviceCap();  // release
}
BENCHMARK(BM_Pass3d);

// 3D steps, translation and rotation on, with or without INF entries.
void runSteps3d(benchmark::State& state, bool isInfo) {
    Session session(isInfo);
    session.proxy().mIsCapMoving = true;
    int i = 0;
    for (auto _ : state) {
        const CapSample& c = kSamples[i++ & 1];
        session.proxy().handleCapIsDeflectedIn3DMode(c.tx, c.ty, c.tz, c.rx, c.ry, c.rz);
    }
    session.proxy().mIsCapMoving = false;
}

// The 3D step alone, with the default logging.
void BM_Step3d(benchmark::State& state) {
    runSteps3d(state, true);
}
BENCHMARK(BM_Step3d);

// The same without INF entries: the plug-in's arithmetic and host calls.
void BM_Step3dInfoOff(benchmark::State& state) {
    runSteps3d(state, false);
}
BENCHMARK(BM_Step3dInfoOff);

// The stand-in's share of a step: the host calls a step makes, without the
// plug-in's arithmetic and logging.
void BM_HostCallsOfAStep(benchmark::State& state) {
    Session session;
    for (auto _ : state) {
        resbuf value{};
        acedGetVar(ACRX_T("CVPORT"), &value);
        AcGsView* view = acgsGetGsView(value.resval.rint, true);
        for (int k = 0; k < 6; ++k) {
            view->setView(view->position(), view->target(), view->upVector(), view->fieldWidth(),
                          view->fieldHeight(), AcGsView::kParallel);
        }
        view->update();
    }
}
BENCHMARK(BM_HostCallsOfAStep);

}  // namespace

BENCHMARK_MAIN();
