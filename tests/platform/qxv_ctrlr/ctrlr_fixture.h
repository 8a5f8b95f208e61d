// Shared set-up of the controller-library tests: a fresh daemon, clock and
// transcript per test, and a reading thread registered with the clock so that
// waitQuiescent() tells when it waits inside qxReadEvent.
#pragma once

#include <gtest/gtest.h>
#include <pthread.h>

#include <array>
#include <atomic>
#include <vector>

#include "qxv_ctrlr.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"

struct ReadResult {
    int status = -100;
    int code = 0;
    std::array<short, 6> axes{};
};

inline ReadResult readOnce() {
    ReadResult r;
    int unused[4] = {7, 7, 7, 7};
    r.status = qxReadEvent(0, &r.axes[0], &r.axes[1], &r.axes[2], &r.axes[3], &r.axes[4],
                           &r.axes[5], &unused[0], &unused[1], &r.code, &unused[2], &unused[3]);
    return r;
}

// Runs `count` reads on a plug-in thread (created through the wrapped
// pthread_create, so the clock knows it).
class Reader {
public:
    explicit Reader(int count = 1) : mCount(count) {
        EXPECT_EQ(pthread_create(&mThread, nullptr, &Reader::run, this), 0);
    }
    ~Reader() { join(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Returns once the thread waits in a read or has finished.
    bool finished() {
        win32sim::waitQuiescent();
        return mDone.load();
    }
    const std::vector<ReadResult>& join() {
        if (!mJoined) {
            pthread_join(mThread, nullptr);
            mJoined = true;
        }
        return mResults;
    }

private:
    static void* run(void* arg) {
        auto* self = static_cast<Reader*>(arg);
        for (int i = 0; i < self->mCount; ++i) {
            self->mResults.push_back(readOnce());
        }
        self->mDone = true;
        return nullptr;
    }

    int mCount;
    pthread_t mThread{};
    bool mJoined = false;
    std::atomic<bool> mDone{false};
    std::vector<ReadResult> mResults;
};

class CtrlrTest : public ::testing::Test {
protected:
    void SetUp() override {
        win32sim::resetWorld();
        qxdaemon::reset();
        transcript::setMemoryCapture(true);
        transcript::clearCaptured();
    }
    void TearDown() override { transcript::setMemoryCapture(false); }
};
