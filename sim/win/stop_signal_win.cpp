// Stop signals in the Windows build: Ctrl-C and Ctrl-Break in the console
// stop the session as SIGINT does on POSIX (exit code 130); a second one
// ends qxsim at once. Closing the console window ends qxsim as Windows ends
// a console program, without unloading the module.

#include "stop_signal.h"

#include <windows.h>

#include <atomic>
#include <csignal>

namespace qxsim {
namespace {

std::atomic<int> gStopSignal{0};

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    return gStopSignal.exchange(SIGINT) == 0 ? TRUE : FALSE;
}

}  // namespace

void catchStopSignals() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

int stopSignal() {
    return gStopSignal.load();
}

std::string stoppedMessage(std::uint64_t atMs) {
    return "stopped by Ctrl-C at t = " + std::to_string(atMs) +
           " ms; the module was unloaded as at the end";
}

}  // namespace qxsim
