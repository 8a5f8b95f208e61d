// Device keys: macros split into command-line texts, the standard views and
// zoom all per space, and requests taken from the daemon in order.

#include <string>
#include <vector>

#include "arx_control.h"
#include "plugin_host.h"
#include "qxv_ctrlr_control.h"

namespace {

constexpr int kFront = 0x20009;
constexpr int kTop = 0x2000B;
constexpr int kZoomAll = 0x2000C;
constexpr int kSettingsChanged = 0x20001;

const std::wstring kEsc = L"\x1b\x1b";

class Keys : public PluginHost {
protected:
    void SetUp() override {
        PluginHost::SetUp();
        load();
        arxsim::clearOutput();
    }
    std::vector<std::wstring> runMacro(const std::string& macro) {
        proxy().mMenuEntries = {macro};
        arxsim::clearOutput();
        proxy().execApplFunction(0);
        return arxsim::sentStrings();
    }
    std::vector<std::wstring> runSpecial(int code) {
        arxsim::clearOutput();
        proxy().execSpecialApplFunction(code);
        return arxsim::sentStrings();
    }
};

using Texts = std::vector<std::wstring>;

TEST_F(Keys, MacrosAreSplitAtSemicolonsAfterTwoEscapes) {
    EXPECT_EQ(runMacro("_LINE"), (Texts{kEsc, L"_LINE\n"}));
    EXPECT_EQ(runMacro("_LINE;;"), (Texts{kEsc, L"_LINE\n", L"\n"}))
        << "the empty text after the last ';' is no part";
    EXPECT_EQ(runMacro(";_LINE"), (Texts{kEsc, L"\n", L"_LINE\n"}));
    EXPECT_EQ(runMacro(""), Texts{}) << "an empty macro sends not even the escapes";
}

TEST_F(Keys, MenuMacroExpressionsAreWrappedInMenucmd) {
    EXPECT_EQ(runMacro("M=$(if,1,_LINE)"),
              (Texts{kEsc, L"(command (menucmd \"M=$(if,1,_LINE)\"))\n"}));
    EXPECT_EQ(runMacro("M="), (Texts{kEsc, L"(command (menucmd \"M=\"))\n"})) << "even empty";
    EXPECT_EQ(runMacro("m=x"), (Texts{kEsc, L"m=x\n"})) << "only an upper-case M";
    EXPECT_EQ(runMacro("_ZOOM;M=$(x)"),
              (Texts{kEsc, L"_ZOOM\n", L"(command (menucmd \"M=$(x)\"))\n"}));
}

TEST_F(Keys, IndexBeyondTheTableIsLoggedAndSendsNothing) {
    proxy().mMenuEntries = {"_A", "_B", "_C"};
    proxy().execApplFunction(3);
    EXPECT_TRUE(arxsim::sentStrings().empty());
    EXPECT_EQ(logCount("keyEvent (3') too big (max. is 2)!"), 1);

    proxy().mMenuEntries.clear();
    proxy().execApplFunction(0);
    EXPECT_EQ(logCount("keyEvent (0') too big (max. is -1)!"), 1);
}

TEST_F(Keys, ViewsInModelSpaceWithAndWithoutZoomAllAfterView) {
    EXPECT_EQ(runSpecial(kFront), Texts{L"'_-VIEW _FRONT "}) << "mode 0 acts as model space";

    qxdaemon::setRotation(0, true);
    sendKey(kSettingsChanged);
    ASSERT_TRUE(proxy().mIsZoomAllAfterView.load());
    EXPECT_EQ(runSpecial(kTop), (Texts{L"'_-VIEW _TOP ", L"'_ZOOM _ALL "}));
    EXPECT_EQ(runSpecial(kZoomAll), Texts{L"'_ZOOM _ALL "}) << "zoom all only once";
    EXPECT_EQ(runSpecial(0x2000D), Texts{L"'_ZOOM _ALL "}) << "unknown code, zoom all still";
    EXPECT_EQ(logCount("Unknown special command '131085' found!"), 1);
}

TEST_F(Keys, WithoutADrawingKeysSendNothing) {
    proxy().mMenuEntries = {"_A"};
    arxsim::closeDocument();
    proxy().execApplFunction(0);
    proxy().execSpecialApplFunction(kTop);
    EXPECT_TRUE(arxsim::sentStrings().empty());
}

}  // namespace
