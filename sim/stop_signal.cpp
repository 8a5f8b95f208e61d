// Stop signals on POSIX: the handler only notes the signal; the session's
// loop and the steps look at it. SA_RESTART, so that the module's threads'
// waits go on; SA_RESETHAND, so that a second signal ends qxsim.

#include "stop_signal.h"

#include <atomic>
#include <csignal>

namespace qxsim {
namespace {

std::atomic<int> gStopSignal{0};

extern "C" void noteStopSignal(int signal) {
    gStopSignal.store(signal);
}

}  // namespace

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = noteStopSignal;
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) {
        sigaction(signal, &action, nullptr);
    }
}

int stopSignal() {
    return gStopSignal.load();
}

std::string stoppedMessage(std::uint64_t atMs) {
    return std::string("stopped by ") + (stopSignal() == SIGINT ? "SIGINT" : "SIGTERM") +
           " at t = " + std::to_string(atMs) + " ms; the module was unloaded as at the end";
}

}  // namespace qxsim
