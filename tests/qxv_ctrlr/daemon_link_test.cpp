// Sign-on rules, the information blocks, mode reports, fault modes, costs and
// transcript lines of the controller-library stand-in.
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

TEST_F(CtrlrTest, EveryOperationButConnectNeedsALiveSignOn) {
    unsigned char block[QX_ADV_SETTINGS_SIZE];
    EXPECT_NE(devNum(), 0);
    EXPECT_NE(qxGetDevInfo(0, block), 0);
    EXPECT_NE(qxGetAdvancedSettings(0, block), 0);
    EXPECT_NE(qxSetApplMode("AutoCAD", "3D"), 0);
    EXPECT_NE(qxDisConnect(), 0);

    ASSERT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_TRUE(qxdaemon::isSignedOn());
    EXPECT_EQ(devNum(), 0);
    EXPECT_EQ(qxGetDevInfo(0, block), 0);
    EXPECT_EQ(qxGetAdvancedSettings(0, block), 0);
    EXPECT_EQ(qxSetApplMode("AutoCAD", "3D"), 0);

    EXPECT_EQ(qxDisConnect(), 0);
    EXPECT_FALSE(qxdaemon::isSignedOn());
    EXPECT_NE(devNum(), 0);
}

TEST_F(CtrlrTest, DaemonDownRefusesSignOnAndLosesTheLiveOne) {
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    qxdaemon::setUp(false);
    EXPECT_FALSE(qxdaemon::isSignedOn());
    EXPECT_NE(devNum(), 0);
    EXPECT_NE(qxConnect(0, "acad"), 0);

    // Coming back does not restore the sign-on by itself.
    qxdaemon::setUp(true);
    EXPECT_NE(devNum(), 0);
    EXPECT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_EQ(devNum(), 0);
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

TEST_F(CtrlrTest, NoDevicesIsACountOfZero) {
    qxdaemon::setDevices({});
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    int count = -1;
    EXPECT_EQ(devNum(&count), 0);
    EXPECT_EQ(count, 0);
    unsigned char block[QX_DEV_INFO_SIZE];
    EXPECT_NE(qxGetDevInfo(0, block), 0);
}

TEST_F(CtrlrTest, AdvancedSettingsCarryRotationCodeAt132AndZoomAllAt138) {
    std::vector<std::uint8_t> raw(QX_ADV_SETTINGS_SIZE);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<std::uint8_t>(i);
    }
    qxdaemon::setAdvancedSettings(raw);
    qxdaemon::setRotation(114, true);
    ASSERT_EQ(qxConnect(0, "acad"), 0);

    unsigned char block[QX_ADV_SETTINGS_SIZE];
    std::memset(block, 0, sizeof block);
    ASSERT_EQ(qxGetAdvancedSettings(0, block), 0);
    std::int32_t code = 0;
    std::memcpy(&code, block + 132, sizeof code);
    EXPECT_EQ(code, 114);
    EXPECT_NE(block[138], 0);
    // The rest of the block is what the daemon held before.
    EXPECT_EQ(block[131], 131);
    EXPECT_EQ(block[137], 137);
    EXPECT_EQ(block[147], 147);

    // A new code alone keeps the switch; both together set both.
    qxdaemon::setRotation(4);
    ASSERT_EQ(qxGetAdvancedSettings(0, block), 0);
    std::memcpy(&code, block + 132, sizeof code);
    EXPECT_EQ(code, 4);
    EXPECT_NE(block[138], 0);
    qxdaemon::setRotation(-3, false);
    ASSERT_EQ(qxGetAdvancedSettings(0, block), 0);
    std::memcpy(&code, block + 132, sizeof code);
    EXPECT_EQ(code, -3);
    EXPECT_EQ(block[138], 0);
}

TEST_F(CtrlrTest, ModeReportsAreTakenOrRefusedAsConfigured) {
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_EQ(qxSetApplMode("AutoCAD", "Model"), 0);
    qxdaemon::setModesAccepted(false);
    EXPECT_NE(qxSetApplMode("AutoCAD", "Paper"), 0);
    EXPECT_EQ(qxdaemon::lastModeReported(), "Paper");
    EXPECT_EQ(qxdaemon::lastModeAccepted(), "Model");
    EXPECT_EQ(qxdaemon::lastAppReported(), "AutoCAD");
    EXPECT_EQ(qxdaemon::modeReports(), 2);

    const auto ev = events();
    EXPECT_NE(std::find(ev.begin(), ev.end(),
                        R"({"ev":"mode","app":"AutoCAD","name":"Model","accepted":true})"),
              ev.end());
    EXPECT_NE(std::find(ev.begin(), ev.end(),
                        R"({"ev":"mode","app":"AutoCAD","name":"Paper","accepted":false})"),
              ev.end());
}

TEST_F(CtrlrTest, EveryCallButTheReadLeavesALibLine) {
    qxdaemon::setUp(false);
    qxConnect(0, "acad");
    qxdaemon::setUp(true);
    qxConnect(0, "acad");
    int count = 0;
    qxGetDevNum(&count, nullptr, nullptr);
    unsigned char block[QX_ADV_SETTINGS_SIZE];
    qxGetDevInfo(0, block);
    qxGetAdvancedSettings(0, block);
    qxdaemon::sendEvent(0x20013);
    readOnce();
    qxDisConnect();

    const std::vector<std::string> expected = {
        R"({"ev":"lib","op":"qxConnect","status":1})",
        R"({"ev":"lib","op":"qxConnect","status":0})",
        R"({"ev":"lib","op":"qxGetDevNum","status":0})",
        R"({"ev":"lib","op":"qxGetDevInfo","status":0})",
        R"({"ev":"lib","op":"qxGetAdvancedSettings","status":0})",
        R"({"ev":"lib","op":"qxDisConnect","status":0})",
    };
    EXPECT_EQ(events(), expected);
    EXPECT_EQ(qxdaemon::callCount(qxdaemon::Op::ReadEvent), 1);
    EXPECT_EQ(qxdaemon::callCount(qxdaemon::Op::Connect), 2);
}

TEST_F(CtrlrTest, EachCallCostsVirtualTime) {
    const std::uint64_t before = win32sim::nowUs();
    qxConnect(0, "acad");
    qxGetDevNum(nullptr, nullptr, nullptr);
    qxDisConnect();
    const std::uint64_t spent = win32sim::nowUs() - before;
    EXPECT_GT(spent, 0u);
    EXPECT_LT(spent, 1000u);  // cheap next to a frame
}

// Plug-in threads run side by side; if their calls moved the clock, a replay
// would see different times depending on how they interleaved.
TEST_F(CtrlrTest, CallsFromPluginThreadsCostNoTime) {
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    qxdaemon::sendEvent(0x20013);
    qxdaemon::sendEvent(0x20013);
    const std::uint64_t before = win32sim::nowUs();
    Reader reader(2);
    EXPECT_TRUE(reader.finished());
    EXPECT_EQ(reader.join()[1].code, 0x20013);
    EXPECT_EQ(win32sim::nowUs(), before);
}

TEST_F(CtrlrTest, DevInfoFaultHitsOnlyTheChosenIndex) {
    qxdaemon::setDevices({"a", "b", "c"});
    qxdaemon::failDevInfoAt(1);
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    unsigned char block[QX_DEV_INFO_SIZE];
    EXPECT_EQ(qxGetDevInfo(0, block), 0);
    EXPECT_NE(qxGetDevInfo(1, block), 0);
    EXPECT_EQ(qxGetDevInfo(2, block), 0);
    qxdaemon::failDevInfoAt(std::nullopt);
    EXPECT_EQ(qxGetDevInfo(1, block), 0);
}

TEST_F(CtrlrTest, ResetRestoresTheInitialDaemon) {
    qxdaemon::setDevices({});
    qxdaemon::setUp(false);
    qxdaemon::setModesAccepted(false);
    qxdaemon::setRotation(7, true);
    qxdaemon::reset();
    EXPECT_TRUE(qxdaemon::isUp());
    EXPECT_EQ(qxdaemon::devices().size(), 1u);
    EXPECT_EQ(qxdaemon::advancedSettings(), std::vector<std::uint8_t>(QX_ADV_SETTINGS_SIZE));
    ASSERT_EQ(qxConnect(0, "acad"), 0);
    EXPECT_EQ(qxSetApplMode("AutoCAD", "x"), 0);
    EXPECT_EQ(qxdaemon::callCount(qxdaemon::Op::Connect), 1);
}

}  // namespace
