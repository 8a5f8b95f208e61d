// A fresh simulated host for each test of the application entry: clock,
// daemon, host core and transcript reset, and a temporary profile.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include <arxHeaders.h>

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);

class AppWorld : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends a message as the host does, with the host's data pointer.
    AcRx::AppRetCode send(int code);

    std::filesystem::path mProfile;
    int mAppId = 0;  // what the data pointer points at
};
