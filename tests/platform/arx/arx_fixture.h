// Shared set-up of the host-core tests: a fresh host, clock and transcript.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arxHeaders.h"
#include "arx_control.h"
#include "captured_events.h"
#include "transcript.h"
#include "win32_control.h"

class ArxTest : public ::testing::Test {
protected:
    void SetUp() override {
        win32sim::resetWorld();
        arxsim::reset();
        transcript::setMemoryCapture(true);
        transcript::clearCaptured();
    }
    void TearDown() override { transcript::setMemoryCapture(false); }

    // Captured transcript lines without their time stamp: {"ev":...}.
    static std::vector<std::string> events() { return captured::withoutTime(); }
};
