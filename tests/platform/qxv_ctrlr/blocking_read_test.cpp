// qxReadEvent: waiting, ordering, and every way a waiting read is released.
// Reads run on a plug-in thread; waitQuiescent() tells when it waits.
#include <array>
#include <atomic>
#include <functional>
#include <vector>

#include "qxv_ctrlr.h"
#include "qxv_ctrlr_control.h"
#include "test_host.h"
#include "win32_control.h"

namespace {

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

// Runs `count` reads on a plug-in thread.
class Reader {
public:
    explicit Reader(int count = 1)
        : mThread([this, count] {
              for (int i = 0; i < count; ++i) {
                  mResults.push_back(readOnce());
              }
              mDone = true;
          }) {}

    // Returns once the thread waits in a read or has finished.
    bool finished() {
        win32sim::waitQuiescent();
        return mDone.load();
    }
    const std::vector<ReadResult>& join() {
        mThread.join();
        return mResults;
    }

private:
    std::atomic<bool> mDone{false};
    std::vector<ReadResult> mResults;
    TestThread mThread;
};

class ReadTest : public TestHost {
protected:
    void SetUp() override {
        TestHost::SetUp();
        ASSERT_EQ(qxConnect(0, "acad"), 0);
    }
};

TEST_F(ReadTest, EventsArriveInOrderOneARead) {
    constexpr int kEvents = 200;
    Reader reader(kEvents + 1);
    EXPECT_FALSE(reader.finished());
    EXPECT_EQ(qxdaemon::blockedReads(), 1);
    EXPECT_TRUE(qxdaemon::sendMotion(1, -2, 3, -4, 5, -32768));
    for (int i = 0; i < kEvents; ++i) {
        if (i % 2 == 0) {
            ASSERT_TRUE(qxdaemon::sendMotion(static_cast<short>(i), 0, 0, 0, 0, 0, -1 - i));
        } else {
            ASSERT_TRUE(qxdaemon::sendEvent(0x20020 + i));
        }
        // Bursts: sometimes the reader finds several queued.
        if (i % 7 == 0) {
            win32sim::waitQuiescent();
        }
    }
    const auto& r = reader.join();
    ASSERT_EQ(r.size(), static_cast<std::size_t>(kEvents + 1));
    EXPECT_EQ(r[0].status, 0);
    EXPECT_EQ(r[0].code, -1);
    EXPECT_EQ(r[0].axes, (std::array<short, 6>{1, -2, 3, -4, 5, -32768}));
    for (int i = 0; i < kEvents; ++i) {
        const ReadResult& read = r[i + 1];
        EXPECT_EQ(read.status, 0);
        EXPECT_EQ(read.code, i % 2 == 0 ? -1 - i : 0x20020 + i) << "read " << i;
        if (i % 2 == 0) {
            EXPECT_EQ(read.axes[0], i);
        }
    }
    EXPECT_EQ(qxdaemon::queuedEvents(), 0);
    EXPECT_EQ(qxdaemon::blockedReads(), 0);
}

TEST_F(ReadTest, AWaitingReadIsReleasedWithAFailure) {
    struct Case {
        const char* what;
        std::function<void()> before;  // sets the scene before the read waits
        std::function<void()> release;
    };
    const std::function<void()> nothing = [] {};
    const Case cases[] = {
        {"disconnect from another thread", nothing, [] { EXPECT_EQ(qxDisConnect(), 0); }},
        {"daemon lost", nothing, [] { qxdaemon::setUp(false); }},
        // The sign-on is already gone, so the disconnect fails, yet it releases.
        {"disconnect while waiting for a sign-on", [] { qxdaemon::setUp(false); },
         [] { EXPECT_NE(qxDisConnect(), 0); }},
        {"fail-fast switched on while down", [] { qxdaemon::setUp(false); },
         [] { qxdaemon::setReadFailsFastWhileDown(true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qxdaemon::reset();
        ASSERT_EQ(qxConnect(0, "acad"), 0);
        c.before();
        Reader reader;
        ASSERT_FALSE(reader.finished());
        c.release();
        EXPECT_NE(reader.join()[0].status, 0);
    }
}

TEST_F(ReadTest, DisconnectJustBeforeTheReadStillReleasesIt) {
    EXPECT_EQ(qxDisConnect(), 0);
    {
        Reader reader;
        const bool released = reader.finished();
        if (!released) {
            qxDisConnect();  // lets the test end instead of hanging
        }
        EXPECT_TRUE(released);
        EXPECT_NE(reader.join()[0].status, 0);
    }
    // The release is used up: the next read waits again.
    Reader second;
    EXPECT_FALSE(second.finished());
    qxDisConnect();
    EXPECT_NE(second.join()[0].status, 0);
}

TEST_F(ReadTest, ReadWithoutSignOnWaitsWithoutSpinningUntilSignedOnAgain) {
    qxdaemon::setUp(false);
    qxdaemon::setUp(true);
    ASSERT_FALSE(qxdaemon::isSignedOn());

    Reader reader;
    EXPECT_FALSE(reader.finished());
    // Quiescence was reached, so the read waits; one call, no retries.
    EXPECT_EQ(qxdaemon::callCount(qxdaemon::Op::ReadEvent), 1);
    EXPECT_EQ(qxdaemon::blockedReads(), 1);

    EXPECT_FALSE(qxdaemon::sendEvent(0x20009));  // nobody signed on: lost
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_FALSE(reader.finished());

    qxdaemon::sendEvent(0x2000A);
    const auto& r = reader.join();
    EXPECT_EQ(r[0].status, 0);
    EXPECT_EQ(r[0].code, 0x2000A);
    EXPECT_EQ(qxdaemon::callCount(qxdaemon::Op::ReadEvent), 1);
}

}  // namespace
