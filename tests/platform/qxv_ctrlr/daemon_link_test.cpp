// Sign-on rules, the information blocks and the cost of calls of the
// controller-library stand-in. The device link's own tests (tests/core) and
// the end-to-end transcripts cover the mode reports, the "lib" lines and the
// device-information fault.
#include <cstring>

#include "ctrlr_fixture.h"

namespace {

int devNum(int* count = nullptr) {
    int c = -1;
    int a = -1;
    int b = -1;
    const int status = qxGetDevNum(&c, &a, &b);
    if (count != nullptr) {
        *count = c;
    }
    return status;
}

// Status of every operation that needs a live sign-on, in one string:
// '0' for success, 'x' for failure.
std::string signedOnOps() {
    unsigned char block[QX_ADV_SETTINGS_SIZE];
    std::string result;
    for (int status : {devNum(), qxGetDevInfo(0, block), qxGetAdvancedSettings(0, block),
                       qxSetApplMode("AutoCAD", "3D")}) {
        result += status == 0 ? '0' : 'x';
    }
    return result;
}

TEST_F(CtrlrTest, OperationsNeedASignOnThatTheDaemonCanTakeAway) {
    EXPECT_EQ(signedOnOps(), "xxxx");
    EXPECT_NE(qxDisConnect(), 0);

    ASSERT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_EQ(signedOnOps(), "0000");
    EXPECT_EQ(qxDisConnect(), 0);
    EXPECT_EQ(signedOnOps(), "xxxx");

    ASSERT_EQ(qxConnect(0, "acad"), 0);
    qxdaemon::setUp(false);
    EXPECT_FALSE(qxdaemon::isSignedOn());
    EXPECT_EQ(signedOnOps(), "xxxx");
    EXPECT_NE(qxConnect(0, "acad"), 0);

    // Coming back does not restore the sign-on by itself.
    qxdaemon::setUp(true);
    EXPECT_EQ(signedOnOps(), "xxxx");
    EXPECT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_EQ(signedOnOps(), "0000");
}

TEST_F(CtrlrTest, DeviceInfoBlockHoldsTheNameFromByte20) {
    const std::string longName(200, 'x');
    qxdaemon::setDevices({"First", "Second device", longName});
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    int count = 0;
    ASSERT_EQ(devNum(&count), 0);
    EXPECT_EQ(count, 3);

    unsigned char block[QX_DEV_INFO_SIZE + 8];
    std::memset(block, 0xAB, sizeof block);
    ASSERT_EQ(qxGetDevInfo(1, block), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(block + 20), "Second device");
    EXPECT_EQ(block[0], 0);
    // Nothing is written past the 96 bytes the plug-in provides.
    EXPECT_EQ(block[QX_DEV_INFO_SIZE], 0xAB);

    // A name too long for the block is cut and stays terminated inside it.
    ASSERT_EQ(qxGetDevInfo(2, block), 0);
    EXPECT_EQ(block[QX_DEV_INFO_SIZE - 1], 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(block + 20)), 75u);
    EXPECT_EQ(block[QX_DEV_INFO_SIZE], 0xAB);

    EXPECT_NE(qxGetDevInfo(3, block), 0);
    EXPECT_NE(qxGetDevInfo(-1, block), 0);
}

TEST_F(CtrlrTest, RotationSettingsChangeOnlyBytes132And138) {
    std::vector<std::uint8_t> raw(QX_ADV_SETTINGS_SIZE);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<std::uint8_t>(i);
    }
    qxdaemon::setAdvancedSettings(raw);
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    unsigned char block[QX_ADV_SETTINGS_SIZE];
    const auto read = [&block] {
        std::memset(block, 0, sizeof block);
        EXPECT_EQ(qxGetAdvancedSettings(0, block), 0);
        std::int32_t code = 0;
        std::memcpy(&code, block + 132, sizeof code);
        return std::make_pair(code, block[138] != 0);
    };

    qxdaemon::setRotation(114, true);
    EXPECT_EQ(read(), std::make_pair(114, true));
    // The rest of the block is what the daemon held before.
    EXPECT_EQ(block[131], 131);
    EXPECT_EQ(block[137], 137);
    EXPECT_EQ(block[147], 147);
    qxdaemon::setRotation(4);  // a new code alone keeps the switch
    EXPECT_EQ(read(), std::make_pair(4, true));
    qxdaemon::setRotation(-3, false);
    EXPECT_EQ(read(), std::make_pair(-3, false));
}

// Calls on the host's thread cost a little virtual time. Plug-in threads run
// side by side; if their calls moved the clock, a replay would see different
// times depending on how they interleaved.
TEST_F(CtrlrTest, CallsCostTimeOnTheHostThreadOnly) {
    std::uint64_t before = win32sim::nowUs();
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    qxGetDevNum(nullptr, nullptr, nullptr);
    const std::uint64_t spent = win32sim::nowUs() - before;
    EXPECT_GT(spent, 0u);
    EXPECT_LT(spent, 1000u);  // cheap next to a frame

    qxdaemon::sendEvent(0x20013);
    qxdaemon::sendEvent(0x20013);
    before = win32sim::nowUs();
    Reader reader(2);
    EXPECT_TRUE(reader.finished());
    EXPECT_EQ(reader.join()[1].code, 0x20013);
    EXPECT_EQ(win32sim::nowUs(), before);
}

}  // namespace
