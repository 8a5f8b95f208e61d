// String table, thread and process ids.
#include <windows.h>

#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cwchar>

#include "sim_fixture.h"

using namespace win32sim;

class Strings : public SimWorld {
protected:
    void SetUp() override {
        SimWorld::SetUp();
        clearStrings();
        setString(101, L"QXGroup");
    }
    void TearDown() override {
        clearStrings();
        SimWorld::TearDown();
    }
};

TEST_F(Strings, LoadStringCopiesTheTextAndItsTerminator) {
    WCHAR buffer[32];
    EXPECT_EQ(7, LoadStringW(nullptr, 101, buffer, 32));
    EXPECT_STREQ(L"QXGroup", buffer);
}

TEST_F(Strings, LoadStringTruncatesToTheBuffer) {
    WCHAR buffer[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(3, LoadStringW(nullptr, 101, buffer, 4));
    EXPECT_STREQ(L"QXG", buffer);
    EXPECT_EQ(0, LoadStringW(nullptr, 101, buffer, 1));
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(Strings, UnknownIdGivesZeroAndAnEmptyBuffer) {
    WCHAR buffer[8] = {L'x', L'x', 0};
    EXPECT_EQ(0, LoadStringW(nullptr, 102, buffer, 8));
    EXPECT_EQ(L'\0', buffer[0]);
    clearStrings();
    buffer[0] = L'x';
    EXPECT_EQ(0, LoadStringW(nullptr, 101, buffer, 8));
    EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(Strings, ZeroSizedBufferReceivesAPointerToTheText) {
    const WCHAR* text = nullptr;
    EXPECT_EQ(7, LoadStringW(nullptr, 101, reinterpret_cast<LPWSTR>(&text), 0));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, std::wcsncmp(L"QXGroup", text, 7));
}

TEST_F(SimWorld, ThreadAndProcessIdsAreTheOperatingSystemOnes) {
    EXPECT_EQ(static_cast<DWORD>(getpid()), GetCurrentProcessId());
    EXPECT_EQ(static_cast<DWORD>(gettid()), GetCurrentThreadId());
    std::atomic<DWORD> other{0};
    std::atomic<DWORD> otherOs{1};
    PluginThread thread([&] {
        other = GetCurrentThreadId();
        otherOs = static_cast<DWORD>(gettid());
    });
    thread.join();
    EXPECT_EQ(otherOs.load(), other.load());
    EXPECT_NE(GetCurrentThreadId(), other.load());
}
