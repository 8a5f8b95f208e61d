// The driver's cap threshold for values the settings file cannot give (it
// keeps minThreshold within 0..32767): only the low 16 bits count, signed.
// The navigation mode when a system variable comes as another type.
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

TEST_F(Driver, AVariableOfAnotherTypeThanAShortCountsAsUnread) {
    // Paper space, but one variable comes as another type holding its paper
    // space value in the short's place: the Model tab's value is assumed.
    for (const wchar_t* name : {L"tilemode", L"cvport"}) {
        arxsim::reset();
        arxsim::setSpace(0, 1);
        ads_u_val paperValue{};
        paperValue.rint = static_cast<short>(name[0] == L't' ? 0 : 1);
        arxsim::setVarAnswer(name, RTSHORT + 1, paperValue);  // any type but a short
        load();
        EXPECT_EQ(kNavMode3D, proxy().retrieveNavMode()) << name;
        unload();
    }
}
