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

TEST_F(Strings, LoadStringCopiesWhatFitsAndAlwaysTerminates) {
    struct Case {
        UINT id;
        int size;
        int length;
        const wchar_t* text;
    };
    const Case cases[] = {
        {101, 32, 7, L"QXGroup"}, {101, 4, 3, L"QXG"}, {101, 1, 0, L""}, {102, 8, 0, L""}};
    for (const Case& c : cases) {
        WCHAR buffer[32];
        std::wmemset(buffer, L'x', 32);
        EXPECT_EQ(c.length, LoadStringW(nullptr, c.id, buffer, c.size)) << c.id << "/" << c.size;
        EXPECT_STREQ(c.text, buffer);
    }
    // A zero-sized buffer receives a pointer to the text instead.
    const WCHAR* text = nullptr;
    EXPECT_EQ(7, LoadStringW(nullptr, 101, reinterpret_cast<LPWSTR>(&text), 0));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, std::wcsncmp(L"QXGroup", text, 7));

    clearStrings();
    WCHAR buffer[8] = {L'x', 0};
    EXPECT_EQ(0, LoadStringW(nullptr, 101, buffer, 8));
    EXPECT_EQ(L'\0', buffer[0]);
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
