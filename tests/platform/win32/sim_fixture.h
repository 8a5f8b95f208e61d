// Helpers for the window-system stand-in's tests: a plug-in thread (created
// through the wrapped pthread_create, so the clock knows it) and a fixture
// that starts every test in a fresh virtual-time world with a captured
// transcript.
#pragma once

#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "captured_events.h"
#include "transcript.h"
#include "win32_control.h"

class PluginThread {
public:
    explicit PluginThread(std::function<void()> body) : mBody(std::move(body)) {
        EXPECT_EQ(0, pthread_create(&mId, nullptr, &PluginThread::run, this));
    }
    ~PluginThread() { join(); }
    PluginThread(const PluginThread&) = delete;
    PluginThread& operator=(const PluginThread&) = delete;

    void join() {
        if (!mJoined) {
            pthread_join(mId, nullptr);
            mJoined = true;
        }
    }

private:
    static void* run(void* self) {
        static_cast<PluginThread*>(self)->mBody();
        return nullptr;
    }

    std::function<void()> mBody;
    pthread_t mId{};
    bool mJoined = false;
};

class SimWorld : public ::testing::Test {
protected:
    void SetUp() override {
        win32sim::resetWorld();
        transcript::setMemoryCapture(true);
        transcript::clearCaptured();
    }
    void TearDown() override {
        transcript::setMemoryCapture(false);
        transcript::clearCaptured();
        win32sim::resetWorld();
    }

    // Captured transcript lines whose "ev" is `ev`.
    static std::vector<std::string> linesOf(const std::string& ev) { return captured::ofKind(ev); }
};
