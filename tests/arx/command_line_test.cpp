// Command-line output and system variables of the host core.
#include "arx_fixture.h"

namespace {

TEST_F(ArxTest, PrintFormatsWideTextAndWritesItAsUtf8) {
    EXPECT_EQ(acutPrintf(L"\nmQxAutoCadP constructed\n"), 25);
    acutPrintf(L"Gr\u00f6\u00dfe %d %ls \u20ac", 5, L"mm");
    const auto lines = events();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], R"({"ev":"print","text":"\nmQxAutoCadP constructed\n"})");
    EXPECT_EQ(lines[1],
              "{\"ev\":\"print\",\"text\":\"Gr\xc3\xb6\xc3\x9f"
              "e 5 mm \xe2\x82\xac\"}");
    EXPECT_EQ(arxsim::printed().at(1), L"Gr\u00f6\u00dfe 5 mm \u20ac");
}

TEST_F(ArxTest, PrintKeepsTextLongerThanItsFirstBuffer) {
    const std::wstring longText(5000, L'a');
    EXPECT_EQ(acutPrintf(L"%ls!", longText.c_str()), 5001);
    EXPECT_EQ(arxsim::printed().at(0), longText + L"!");
}

struct VarCase {
    const wchar_t* name;
    int tilemode;
    int cvport;
    short expected;
};

TEST_F(ArxTest, SpaceVariablesReadAsShortsInAnyCase) {
    const VarCase cases[] = {
        {L"tilemode", 1, 2, 1}, {L"cvport", 1, 2, 2}, {L"CVPORT", 1, 2, 2},
        {L"TileMode", 0, 1, 0}, {L"cvport", 0, 1, 1}, {L"cvport", 0, 3, 3},
    };
    for (const VarCase& c : cases) {
        arxsim::setSpace(c.tilemode, c.cvport);
        resbuf rb{};
        rb.restype = -1;
        EXPECT_EQ(acedGetVar(c.name, &rb), RTNORM) << c.name;
        EXPECT_EQ(rb.restype, RTSHORT);
        EXPECT_EQ(rb.resval.rint, c.expected) << c.name;
    }
}

TEST_F(ArxTest, VariablesFailWithoutDocumentOrForUnknownNames) {
    resbuf rb{};
    EXPECT_NE(acedGetVar(L"nosuchvar", &rb), RTNORM);
    EXPECT_NE(acedGetVar(nullptr, &rb), RTNORM);
    EXPECT_NE(acedGetVar(L"tilemode", nullptr), RTNORM);
    arxsim::closeDocument();
    EXPECT_EQ(acedGetVar(L"CVPORT", &rb), RTERROR);
    arxsim::openDocument();
    EXPECT_EQ(acedGetVar(L"CVPORT", &rb), RTNORM);
}

}  // namespace
