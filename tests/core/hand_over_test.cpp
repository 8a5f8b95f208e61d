// Hand-over between the reading thread and the host's thread under load: a
// cap sample is never seen half-written. Meant to run under ThreadSanitizer
// as well; keys handed over under load are checked by tests/stress.
#include <atomic>
#include <functional>
#include <thread>

#include "auto_cad_proxy.h"
#include "plugin_host.h"
#include "daemon_proxy.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

namespace {

constexpr int kRounds = 20000;

// The daemon sends `count` events through `send` while `host` runs on this
// thread, from before the first event until the reading thread has handled
// the last one. The daemon keeps at most a few events queued, so that the
// sending lasts as long as the reading and both really overlap.
void daemonSendsWhileHostRuns(int count, const std::function<void(int)>& send,
                              const std::function<void()>& host) {
    std::atomic<bool> isHostRunning{false};
    std::atomic<bool> isDone{false};
    std::thread daemon([&] {
        while (!isHostRunning) {
            std::this_thread::yield();
        }
        for (int i = 0; i < count; ++i) {
            while (qxdaemon::queuedEvents() > 8) {
                std::this_thread::yield();
            }
            send(i);
        }
        isDone = true;
    });
    isHostRunning = true;
    while (!isDone || qxdaemon::queuedEvents() > 0 || qxdaemon::blockedReads() == 0) {
        host();
    }
    daemon.join();
    win32sim::waitQuiescent();
}

short axisValue(int i) {
    return static_cast<short>(i % 30000 - 15000);
}

}  // namespace

class HandOver : public PluginHost {};

TEST_F(HandOver, CapSampleIsNeverTorn) {
    load();
    int torn = 0;
    int changes = 0;
    short last = 0;
    // The daemon sends samples whose six axes are equal.
    daemonSendsWhileHostRuns(
        kRounds,
        [](int i) {
            const short v = axisValue(i);
            qxdaemon::sendMotion(v, v, v, v, v, v);
        },
        [&] {
            const CapSample s = mQx->capSample();
            if (s.ty != s.tx || s.tz != s.tx || s.rx != s.tx || s.ry != s.tx || s.rz != s.tx) {
                ++torn;
            }
            if (s.tx != last) {
                ++changes;
                last = s.tx;
            }
        });
    EXPECT_EQ(torn, 0);
    EXPECT_GT(changes, 1);  // the host really watched the reading thread at work
    EXPECT_EQ(mQx->capSample().rz, axisValue(kRounds - 1));
}
