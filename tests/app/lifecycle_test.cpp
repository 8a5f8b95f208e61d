// The application entry as the host drives it: what init registers and
// builds, and an unload without init. The order of commands, sign-on,
// message, command removal and sign-off is pinned down by every end-to-end
// transcript (tests/e2e); what repeated load and unload cycles leave behind
// by tests/e2e (test_reliability).
#include <algorithm>

#include "app_host.h"
#include "arx_control.h"
#include "autocad2011_app.h"
#include "module_instance.h"
#include "win32_control.h"

using arxsim::Call;

namespace {
const wchar_t* const kCommandNames[] = {L"QX_Toggle_Rotation_Center", L"QX_Toggle_Rotation_Axis",
                                        L"QX_Toggle_Scroll_Mode", L"QX_Toggle_Object_Move_Mode"};
}

class Lifecycle : public AppHost {};

TEST_F(Lifecycle, InitRegistersFourCommandsThenCreatesThePlugInObject) {
    ASSERT_EQ(send(AcRx::kInitAppMsg), AcRx::kRetOK);

    const auto commands = arxsim::commands();
    ASSERT_EQ(commands.size(), 4u);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        EXPECT_EQ(commands[i].group, L"QXGroup");
        EXPECT_EQ(commands[i].globalName, kCommandNames[i]);
        EXPECT_EQ(commands[i].localName, kCommandNames[i]);
        EXPECT_EQ(commands[i].flags, 0);
        EXPECT_EQ(commands[i].fcode, -1);
        EXPECT_EQ(commands[i].resource, _hdllInstance);
    }
    EXPECT_NE(_hdllInstance, nullptr);
    EXPECT_EQ(gModuleInstance, _hdllInstance);
    EXPECT_EQ(app().GetModuleInstance(), _hdllInstance);

    ASSERT_NE(app().mQxAutoCadP.get(), nullptr);
    EXPECT_EQ(win32sim::registeredThreadCount(), 2);  // reading thread and watchdog
    const auto printed = arxsim::printed();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), L"\nmQxAutoCadP constructed\n"), 1);

    // Unloadable by the user, able to work with several drawings.
    EXPECT_EQ(arxsim::callCount(Call::UnlockApplication), 1);
    EXPECT_EQ(arxsim::callCount(Call::RegisterAppMDIAware), 1);
    EXPECT_EQ(arxsim::callCount(Call::BuildClassHierarchy), 0);  // no custom classes
}

TEST_F(Lifecycle, UnloadWithoutInitOnlyRemovesCommands) {
    EXPECT_EQ(send(AcRx::kUnloadAppMsg), AcRx::kRetOK);
    EXPECT_EQ(app().mQxAutoCadP.get(), nullptr);
    EXPECT_TRUE(arxsim::printed().empty());
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
}
