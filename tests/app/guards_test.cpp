// Nothing the module's entries meet escapes into the host or ends one of its
// threads: each entry is made to throw, by a host that runs out of memory
// (arx_control.h) or an allocation that fails (win32_control.h), and leaves
// the plug-in off or the motion ended, with the log still working.
#include <thread>

#include "app_host.h"
#include "arx_control.h"
#include "auto_cad_proxy.h"
#include "device_codes.h"
#include "doc_data.h"
#include "plugin_host.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

namespace {

using arxsim::Throwing;

class Guards : public AppHost {
protected:
    void SetUp() override {
        AppHost::SetUp();
        Settings settings;  // the default file, with every level on
        LogParameters& pars = settings.mLogPars;
        pars.mIsWarning = pars.mIsTrace = pars.mIsDebug = pars.mIsTmp = true;
    }
    bool isOff() const {
        return app().mQxAutoCadP.get() == nullptr && gAutoCadProxy == nullptr &&
               win32sim::registeredThreadCount() == 0;
    }
    // No entry an exception cut short holds the log's lock: another thread
    // writes an entry (else it waits for ever).
    static void logFromAnotherThread() {
        std::thread([] {
            QX_LOG(ERR, "guards", "Guards", "Guards::check") << "still" << LOG_END;
        }).join();
    }
    bool topViewKeyWorks() {
        arxsim::clearOutput();
        sendKey(kEvViewTop);
        tick();
        const auto sent = arxsim::sentStrings();
        return std::find(sent.begin(), sent.end(), L"'_-VIEW _TOP ") != sent.end();
    }
};

// Every allocation of the init message in turn (the settings, the log, the
// plug-in object's parts and threads), then the message printed by the host:
// the plug-in is either whole or off.
TEST_F(Guards, HostMessagesLeaveThePlugInWholeOrOff) {
    using win32sim::AllocationSite;
    int failures = 0;
    for (int skip = 0;; skip += 1 + skip / 8) {  // all of the first, then ever fewer
        win32sim::failAllocation(AllocationSite::HostThread, skip);
        EXPECT_EQ(send(AcRx::kInitAppMsg), AcRx::kRetOK);
        const bool isFailed = !win32sim::isAllocationFailurePending(AllocationSite::HostThread);
        win32sim::failAllocation(AllocationSite::HostThread, -1);
        if (!isFailed) {
            break;
        }
        failures += isOff();
        ASSERT_TRUE(isOff() || win32sim::registeredThreadCount() == 2) << skip;
        logFromAnotherThread();
        send(AcRx::kUnloadAppMsg);
    }
    EXPECT_GT(failures, 0);
    // Logged once the log has started.
    EXPECT_GT(logCount("| Error On_kInitAppMsg(): std::bad_alloc"), 0);
    send(AcRx::kUnloadAppMsg);

    arxsim::throwOnNextCall(Throwing::Print);
    EXPECT_EQ(send(AcRx::kInitAppMsg), AcRx::kRetOK);
    EXPECT_TRUE(isOff());
    arxsim::clearOutput();
    EXPECT_EQ(arxsim::commands().size(), 4u) << "the commands stay, doing nothing";
    arxsim::runCommand("QX_Toggle_Scroll_Mode");
    EXPECT_TRUE(arxsim::printed().empty());
    send(AcRx::kUnloadAppMsg);

    send(AcRx::kInitAppMsg);
    arxsim::throwOnNextCall(Throwing::RemoveCommand);
    EXPECT_EQ(send(AcRx::kUnloadAppMsg), AcRx::kRetOK);
    EXPECT_TRUE(isOff());
    EXPECT_EQ(logCount("| Error On_kUnloadAppMsg(): std::bad_alloc"), 1);
}

TEST_F(Guards, CommandsAndReactorsLogWhatFails) {
    send(AcRx::kInitAppMsg);
    arxsim::throwOnNextCall(Throwing::Print);
    EXPECT_TRUE(arxsim::runCommand("QX_Toggle_Scroll_Mode"));
    EXPECT_EQ(logCount("| Error toggleScrollMode(): std::bad_alloc"), 1);
    arxsim::clearOutput();
    arxsim::runCommand("QX_Toggle_Scroll_Mode");
    ASSERT_EQ(arxsim::printed().size(), 1u);
    EXPECT_EQ(arxsim::printed()[0], L"\n=> Scroll Trees and Lists:  on") << "flipped twice";

    // A motion under way while another drawing becomes current.
    CDocDataManager reactor;
    sendCap(0, 0, 0, 200, 0, 0);
    tick();
    ASSERT_TRUE(gAutoCadProxy->mIsCapMoving);
    arxsim::throwOnNextCall(Throwing::CurrentDocument);
    arxsim::newDocument();
    EXPECT_EQ(logCount("| Error documentToBeDeactivated(): std::bad_alloc"), 1);
    EXPECT_FALSE(gAutoCadProxy->mIsCapMoving);
    logFromAnotherThread();
}

// Every allocation of a timer tick in turn, in a paper-space motion that
// holds the drawing's lock: a pass that fails is logged and the next one
// runs; a tick that fails ends the motion and the timer.
TEST_F(Guards, ATimerTickThatFailsEndsTheMotion) {
    arxsim::setSpace(0, 1);
    send(AcRx::kInitAppMsg);
    sendCap(300, 0, 0, 0, 0, 0);
    tick();
    ASSERT_EQ(arxsim::lockDepth(), 1);
    int skip = 0;
    for (; win32sim::armedTimerCount() > 0 && skip < 400; ++skip) {
        win32sim::failAllocation(win32sim::AllocationSite::TimerProcedure, skip);
        tick();
        logFromAnotherThread();
    }
    EXPECT_EQ(win32sim::armedTimerCount(), 0) << "no allocation failed the tick as a whole";
    EXPECT_EQ(logCount("| Error TimerProc()"), 1);
    EXPECT_EQ(arxsim::lockDepth(), 0) << "the motion ended";
    EXPECT_FALSE(gAutoCadProxy->mIsCapMoving);
    win32sim::failAllocation(win32sim::AllocationSite::TimerProcedure, -1);
}

TEST_F(Guards, ThreadsLogWhatFailsAndGoOn) {
    send(AcRx::kInitAppMsg);
    // The reading thread's debug entry of a key.
    win32sim::failAllocation(win32sim::AllocationSite::PluginThread);
    sendKey(kEvViewFront);
    EXPECT_EQ(logCount("| Error readMouseEvents(): std::bad_alloc"), 1);
    // The watchdog's entry of a link that is lost.
    qxdaemon::setUp(false);
    runFor(200);  // the reading thread waits for a sign-on again
    win32sim::failAllocation(win32sim::AllocationSite::PluginThread);
    runFor(2001);
    EXPECT_EQ(logCount("| Error watchConnection(): std::bad_alloc"), 1);
    qxdaemon::setUp(true);
    runFor(2000);  // the next pass signs on again
    EXPECT_EQ(win32sim::registeredThreadCount(), 2);
    EXPECT_TRUE(topViewKeyWorks());
    logFromAnotherThread();
}

}  // namespace
