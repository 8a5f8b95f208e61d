// A qxsim session in this process: the test host with the sample menu file
// in its profile, and qxsim's own player loading the real module with dlopen
// and playing scenario text against it.
#pragma once

#include <string>

#include "test_host.h"

class SessionHost : public TestHost {
protected:
    void SetUp() override;

    // Plays `scenario` (qxsim's step language) through the loaded module and
    // unloads it at the end. Fails the test on a scenario or load error or
    // a warning of the player (module kept in memory, thread left alive).
    void play(const std::string& scenario);
};

// Open file descriptors and threads of this process right now.
int openDescriptorCount();
int threadCount();
// Threads of this process once the count has come down to `expected`, or the
// count after five seconds of waiting for that.
int threadCountSettledTo(int expected);
