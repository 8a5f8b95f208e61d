// The navigation timer on real Win32 thread timers: a new one-shot timer
// after each tick, 100 ms at rest and 10 ms while the cap moves, measured
// from the end of one tick to the start of the next.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "auto_cad_proxy.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "wine_host.h"

namespace {

// Redraws of a graphics view recorded so far.
std::size_t viewCount() {
    const auto& lines = transcript::captured();
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& l) {
        return l.find("\"ev\":\"view\"") != std::string::npos;
    }));
}

class NavigationTimer : public WineHost {
protected:
    // Runs the message loop until `ticks` further ticks have run; returns the
    // gaps between the end of one tick and the start of the next, in ms.
    std::vector<double> tickGaps(int ticks) {
        std::vector<double> gaps;
        LARGE_INTEGER freq;
        QueryPerformanceFrequency(&freq);
        const auto nowMs = [&freq] {
            LARGE_INTEGER c;
            QueryPerformanceCounter(&c);
            return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(freq.QuadPart);
        };
        double lastEnd = -1;
        const DWORD deadline = GetTickCount() + 10000;
        while (static_cast<int>(gaps.size()) < ticks && GetTickCount() < deadline) {
            MSG msg;
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
                break;
            }
            // The plug-in's timer is the only thread timer (no window) here.
            const bool isTick = msg.message == WM_TIMER && msg.hwnd == nullptr;
            const double start = nowMs();
            DispatchMessageW(&msg);
            if (isTick) {
                if (lastEnd >= 0) {
                    gaps.push_back(start - lastEnd);
                }
                lastEnd = nowMs();
            }
        }
        return gaps;
    }
    static double median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? -1 : values[values.size() / 2];
    }
};

TEST_F(NavigationTimer, RearmsAtTenMillisecondsInMotionAndAHundredAtRest) {
    // A short tick budget, so that a moving tick ends soon.
    writeSetting("maxContMoveTime", "20");
    load();

    const auto rest = tickGaps(5);
    ASSERT_EQ(rest.size(), 5u);
    EXPECT_GE(median(rest), 90.0);
    EXPECT_LE(median(rest), 140.0);
    EXPECT_FALSE(mQx->mAutoCadProxyP->mIsCapMoving);

    ASSERT_TRUE(qxdaemon::sendMotion(0, 0, 0, 0, 0, 400));
    ASSERT_TRUE(pumpUntil([this] { return mQx->mAutoCadProxyP->mIsCapMoving; }, 2000));
    const auto views = viewCount();
    const auto moving = tickGaps(8);
    ASSERT_EQ(moving.size(), 8u);
    EXPECT_GE(median(moving), 8.0);
    EXPECT_LE(median(moving), 40.0);
    EXPECT_GT(viewCount(), views + 8) << "each moving tick redraws";

    ASSERT_TRUE(qxdaemon::sendMotion(0, 0, 0, 0, 0, 0));
    ASSERT_TRUE(pumpUntil([this] { return !mQx->mAutoCadProxyP->mIsCapMoving; }, 2000));
    const auto released = tickGaps(4);
    ASSERT_EQ(released.size(), 4u);
    EXPECT_GE(median(released), 90.0);
    std::printf("tick gaps (median ms): at rest %.1f, moving %.1f, released %.1f\n", median(rest),
                median(moving), median(released));
}

}  // namespace
