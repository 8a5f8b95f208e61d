// Command-line output of the host core: wide text formatted and written to
// the transcript as UTF-8, however long. The system variables the plug-in
// reads are covered by its driver and navigation tests.
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

    // Longer than the first formatting buffer.
    const std::wstring longText(5000, L'a');
    EXPECT_EQ(acutPrintf(L"%ls!", longText.c_str()), 5001);
    EXPECT_EQ(arxsim::printed().at(2), longText + L"!");
}

}  // namespace
