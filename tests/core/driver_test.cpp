// The driver's cap threshold for values the settings file cannot give (it
// keeps minThreshold within 0..32767): only the low 16 bits count, signed.
#include <array>

#include "plugin_host.h"

class Driver : public PluginHost {};

TEST_F(Driver, ThresholdIsTheLow16BitsOfTheSettingSigned) {
    struct Case {
        int32_t threshold;
        std::array<short, 6> cap;
        bool moving;
    };
    const Case cases[] = {
        {0x10000 + 50, {50, 50, 50, 50, 50, 50}, false},  // low 16 bits: 50
        {0x1FFFF, {0, 0, 0, 0, 0, 0}, true},              // low 16 bits: -1, never at rest
    };
    for (const Case& c : cases) {
        load();
        mQx->mMinThreshold = c.threshold;
        sendCap(c.cap[0], c.cap[1], c.cap[2], c.cap[3], c.cap[4], c.cap[5]);
        runFor(200);
        EXPECT_EQ(proxy().mIsCapMoving, c.moving) << "threshold " << c.threshold;
        unload();
    }
}
