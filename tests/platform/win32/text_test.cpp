// Text conversion of the window-system stand-in: Windows-1252 as the ANSI
// code page, UTF-8, and the failures the module's callers must expect.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring toWide(UINT codePage, DWORD flags, const std::string& text) {
    const int n = MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0 &&
        MultiByteToWideChar(codePage, flags, text.data(), int(text.size()), out.data(), n) != n) {
        return L"<fail>";
    }
    return n > 0 ? out : L"<fail>";
}

TEST(Text, AnsiCodePageIsWindows1252AndEveryByteComesBack) {
    EXPECT_EQ(toWide(CP_ACP, 0, "\x80\x8A\x9F\xFC\x81"), L"\u20ac\u0160\u0178\u00fc\u0081");
    EXPECT_EQ(toWide(1252, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, "a\x9C"), L"a\u0153");
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::wstring wide = toWide(CP_ACP, 0, all);
    char back[256] = {};
    BOOL usedDefault = TRUE;
    ASSERT_EQ(256, WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, back, 256, "#", &usedDefault));
    EXPECT_EQ(all, std::string(back));
    EXPECT_FALSE(usedDefault);
}

TEST(Text, WideTextTheCodePageLacksBecomesTheDefaultCharacter) {
    char out[8] = {};
    BOOL usedDefault = FALSE;
    EXPECT_EQ(4,
              WideCharToMultiByte(CP_ACP, 0, L"\u0142\u20ac\u00fc", -1, out, 8, " ", &usedDefault));
    EXPECT_STREQ(" \x80\xFC", out);
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(2, WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"\u0142", -1, out, 8, nullptr,
                                     nullptr));
    EXPECT_STREQ("?", out);
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, L"abc", 3, out, 2, nullptr, nullptr))
        << "too small";
    EXPECT_EQ(3, WideCharToMultiByte(CP_ACP, 0, L"abc", 3, nullptr, 0, nullptr, nullptr));
}

TEST(Text, Utf8AndWhatFails) {
    EXPECT_EQ(toWide(CP_UTF8, 0, "\xE2\x82\xAC\xFF"), L"\u20ac\ufffd");
    EXPECT_EQ(toWide(CP_UTF8, MB_ERR_INVALID_CHARS, "\xE2\x82\xAC\xFF"), L"<fail>");
    EXPECT_EQ(toWide(CP_UTF8, MB_PRECOMPOSED, "a"), L"<fail>") << "flag UTF-8 refuses";
    EXPECT_EQ(toWide(CP_ACP, 0x2 /* MB_COMPOSITE */, "a"), L"<fail>") << "not supported";
    EXPECT_EQ(toWide(437, 0, "a"), L"<fail>") << "no other code page";
    wchar_t wide[2] = {};
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "ab", 0, wide, 2)) << "length 0";
    char out[8] = {};
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"a", -1, out, 8, " ", nullptr));
    const wchar_t surrogate[] = {static_cast<wchar_t>(0xD800), 0};
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, surrogate, -1, out, 8, nullptr,
                                     nullptr));
    EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, surrogate, -1, out, 8, nullptr, nullptr));
    EXPECT_STREQ("\xEF\xBF\xBD", out);
}

}  // namespace
