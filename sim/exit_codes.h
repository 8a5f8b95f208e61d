// Exit codes of qxsim.
#pragma once

namespace qxsim {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIo = 1;        // profile or transcript cannot be written
inline constexpr int kExitScenario = 2;  // command line or scenario error
inline constexpr int kExitModule = 3;    // the module cannot be loaded
// 128 + a signal's number: the session was stopped by SIGINT or SIGTERM
// (stop_signal.h).

}  // namespace qxsim
