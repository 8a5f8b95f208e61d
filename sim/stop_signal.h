// SIGINT and SIGTERM during a scenario session: caught, so that the session
// ends as at its end (the module unloaded, its toggles saved, the transcript
// and the log closed) and qxsim exits with 128 + the signal's number, as a
// shell reports a program the signal ended. A second one ends qxsim at once.
#pragma once

#include <cstdint>
#include <string>

namespace qxsim {

void catchStopSignals();

// The signal that asked the session to stop; 0 while none did. Any thread.
int stopSignal();

// The exit code and the message of a session the signal stopped.
inline int stoppedExitCode() {
    return 128 + stopSignal();
}
std::string stoppedMessage(std::uint64_t atMs);

}  // namespace qxsim
