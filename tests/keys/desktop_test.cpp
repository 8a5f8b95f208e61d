// The simulated desktop behaves as the window system does for the calls the
// plug-in makes: window under a point, z-order walks, visibility, scroll
// bars and line messages, text conversion, message box, module path and
// opening a folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "transcript.h"
#include "win32_desktop_control.h"

namespace {

using win32sim::ScrollBarSpec;
using win32sim::WindowSpec;

WindowSpec win(int id, const wchar_t* cls, RECT r, int parent = 0) {
    WindowSpec s;
    s.id = id;
    s.className = cls;
    s.rect = r;
    s.parentId = parent;
    return s;
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        win32sim::resetDesktop();
        transcript::setMemoryCapture(true);
        transcript::clearCaptured();
    }
    void TearDown() override {
        win32sim::resetDesktop();
        transcript::setMemoryCapture(false);
        transcript::clearCaptured();
    }
    static HWND at(int x, int y) { return WindowFromPoint(POINT{x, y}); }
};

TEST_F(Desktop, WindowFromPointFindsTheDeepestVisibleWindow) {
    win32sim::addWindow(win(1, L"Frame", {0, 0, 1000, 800}));
    win32sim::addWindow(win(2, L"Panel", {0, 0, 400, 800}, 1));
    win32sim::addWindow(win(3, L"SysListView32", {10, 10, 390, 300}, 2));
    auto hidden = win(4, L"Hidden", {10, 10, 390, 300}, 1);
    hidden.visible = false;
    win32sim::addWindow(hidden);

    EXPECT_EQ(at(50, 50), win32sim::windowHandle(3));
    EXPECT_EQ(at(50, 500), win32sim::windowHandle(2));
    EXPECT_EQ(at(900, 500), win32sim::windowHandle(1));
    EXPECT_EQ(at(1000, 800), nullptr) << "right and bottom edges lie outside";
    EXPECT_EQ(at(-1, 5), nullptr);

    win32sim::setWindowVisible(2, false);
    EXPECT_EQ(at(50, 50), win32sim::windowHandle(1)) << "a hidden panel hides its children";
}

TEST_F(Desktop, TopmostSiblingWinsAndWalksFollowZOrder) {
    win32sim::addWindow(win(1, L"Top", {0, 0, 100, 100}));
    win32sim::addWindow(win(2, L"Below", {50, 50, 200, 200}));
    win32sim::addWindow(win(3, L"ChildA", {0, 0, 10, 10}, 2));
    win32sim::addWindow(win(4, L"ChildB", {0, 0, 10, 10}, 2));
    const HWND h1 = win32sim::windowHandle(1), h2 = win32sim::windowHandle(2),
               h3 = win32sim::windowHandle(3), h4 = win32sim::windowHandle(4);

    EXPECT_EQ(at(60, 60), h1);
    EXPECT_EQ(at(150, 150), h2);
    EXPECT_EQ(GetWindow(h1, GW_HWNDNEXT), h2);
    EXPECT_EQ(GetWindow(h2, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(h2, GW_HWNDPREV), h1);
    EXPECT_EQ(GetWindow(h2, GW_CHILD), h3);
    EXPECT_EQ(GetWindow(h3, GW_HWNDNEXT), h4);
    EXPECT_EQ(GetWindow(h1, GW_CHILD), nullptr);
    EXPECT_EQ(GetParent(h4), h2);
    EXPECT_EQ(GetParent(h1), nullptr);
    EXPECT_EQ(GetParent(nullptr), nullptr);

    RECT r{};
    ASSERT_TRUE(GetWindowRect(h2, &r));
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.bottom, 200);
    EXPECT_FALSE(GetWindowRect(reinterpret_cast<HWND>(0x1234), &r));
}

TEST_F(Desktop, VisibilityIncludesTheAncestors) {
    auto parent = win(1, L"Frame", {0, 0, 10, 10});
    parent.visible = false;
    win32sim::addWindow(parent);
    win32sim::addWindow(win(2, L"Edit", {0, 0, 10, 10}, 1));
    EXPECT_FALSE(IsWindowVisible(win32sim::windowHandle(2)));
    win32sim::setWindowVisible(1, true);
    EXPECT_TRUE(IsWindowVisible(win32sim::windowHandle(2)));
}

TEST_F(Desktop, AddWindowRejectsDuplicateIdsAndUnknownParents) {
    EXPECT_NE(win32sim::addWindow(win(1, L"A", {0, 0, 1, 1})), nullptr);
    EXPECT_EQ(win32sim::addWindow(win(1, L"B", {0, 0, 1, 1})), nullptr);
    EXPECT_EQ(win32sim::addWindow(win(2, L"C", {0, 0, 1, 1}, 7)), nullptr);
    EXPECT_EQ(win32sim::addWindow(win(0, L"D", {0, 0, 1, 1})), nullptr);
}

TEST_F(Desktop, ClassNameIsCutToTheBuffer) {
    const HWND h = win32sim::addWindow(win(1, L"SysTreeView32", {0, 0, 1, 1}));
    wchar_t buf[256];
    EXPECT_EQ(GetClassNameW(h, buf, 256), 13);
    EXPECT_STREQ(buf, L"SysTreeView32");
    EXPECT_EQ(GetClassNameW(h, buf, 4), 3);
    EXPECT_STREQ(buf, L"Sys");
    EXPECT_EQ(GetClassNameW(nullptr, buf, 256), 0);
}

TEST_F(Desktop, ScrollInfoNeedsTheRecordSizeAndScrollBars) {
    auto list = win(1, L"SysListView32", {0, 0, 100, 100});
    list.scroll = ScrollBarSpec{0, 999, 10, 5};
    const HWND h = win32sim::addWindow(list);
    const HWND plain = win32sim::addWindow(win(2, L"Static", {0, 0, 1, 1}));

    SCROLLINFO si{};
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = SIF_ALL;
    EXPECT_EQ(sizeof(SCROLLINFO), 28u);
    EXPECT_EQ(SIF_ALL, 0x17);
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 999);
    EXPECT_EQ(si.nPage, 10u);
    EXPECT_EQ(si.nPos, 5);
    EXPECT_EQ(si.nTrackPos, 5);

    EXPECT_FALSE(GetScrollInfo(plain, SB_VERT, &si));
    EXPECT_FALSE(GetScrollInfo(h, SB_CTL, &si));
    si.cbSize = 24;
    EXPECT_FALSE(GetScrollInfo(h, SB_VERT, &si));
}

TEST_F(Desktop, LineMessagesMoveAListWithinItsRange) {
    auto list = win(7, L"SysListView32", {0, 0, 100, 100});
    list.scroll = ScrollBarSpec{0, 20, 10, 1};
    const HWND h = win32sim::addWindow(list);

    SendMessageW(h, WM_VSCROLL, SB_LINEUP, 0);
    SendMessageW(h, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(win32sim::scrollBarState(7, SB_VERT)->pos, 0) << "stops at the minimum";

    for (int i = 0; i < 15; ++i) {
        SendMessageW(h, WM_VSCROLL, SB_LINEDOWN, 0);
    }
    EXPECT_EQ(win32sim::scrollBarState(7, SB_VERT)->pos, 11) << "the last page stays full";
    EXPECT_EQ(win32sim::scrollBarState(7, SB_HORZ)->pos, 1) << "the other bar is untouched";

    SendMessageW(h, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(win32sim::scrollBarState(7, SB_HORZ)->pos, 2);
    EXPECT_EQ(win32sim::sentMessages().size(), 18u);
}

TEST_F(Desktop, MessagesAreWrittenWithTheScenarioWindowId) {
    const HWND h = win32sim::addWindow(win(42, L"QWidget", {0, 0, 10, 10}));
    SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(3, 4));
    const auto lines = transcript::captured();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(R"("ev":"message","window":42,"msg":522,"wparam":4287102976,)"
                            R"("lparam":262147})"),
              std::string::npos)
        << lines[0];
    EXPECT_TRUE(UpdateWindow(h));
    EXPECT_EQ(win32sim::updateWindowCount(42), 1);
}

TEST_F(Desktop, WideToAnsiUsesTheDefaultCharacterForMissingOnes) {
    const wchar_t* text = L"caf\u00e9 \u20ac \u4e2d";
    char buf[32];
    BOOL used = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, buf, sizeof buf, " ", &used);
    ASSERT_EQ(n, 9) << "eight characters and the terminating zero";
    EXPECT_STREQ(buf, "caf\xe9 \x80  ");
    EXPECT_TRUE(used);

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"abc", 3, nullptr, 0, nullptr, nullptr), 3)
        << "size query without the zero";
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"abcdef", -1, buf, 3, nullptr, nullptr), 0)
        << "buffer too small";
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"\u20ac", -1, buf, sizeof buf, nullptr, nullptr), 4);
    EXPECT_STREQ(buf, "\xe2\x82\xac");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"x", -1, buf, sizeof buf, " ", nullptr), 0);
}

TEST_F(Desktop, MessageBoxAndBeepAreRecordedAndReturnAtOnce) {
    EXPECT_TRUE(Beep(440, 200));
    EXPECT_EQ(MessageBoxW(nullptr, L"Folder 'x' not found!", L"Caption", MB_OK), IDOK);
    ASSERT_EQ(win32sim::shownMessageBoxes().size(), 1u);
    EXPECT_EQ(win32sim::shownMessageBoxes()[0].caption, L"Caption");
    ASSERT_EQ(win32sim::soundedBeeps().size(), 1u);
    EXPECT_EQ(win32sim::soundedBeeps()[0].freq, 440u);
    const auto lines = transcript::captured();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(R"("ev":"beep","freq":440,"ms":200})"), std::string::npos);
    EXPECT_NE(lines[1].find(R"("ev":"messagebox","text":"Folder 'x' not found!",)"
                            R"("caption":"Caption"})"),
              std::string::npos)
        << lines[1];
}

TEST(DesktopFiles, ModulePathIsTheAbsolutePathOfTheSharedObject) {
    // An address inside the window-system library stands for its handle.
    auto handle = reinterpret_cast<HMODULE>(reinterpret_cast<void*>(&GetModuleFileNameW));
    wchar_t buf[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(handle, buf, MAX_PATH);
    const std::wstring path(buf);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(n, path.size());
    EXPECT_EQ(path.front(), L'/');
    EXPECT_NE(path.find(L"libwin32sim.so"), std::wstring::npos)
        << std::string(path.begin(), path.end());

    wchar_t small[5];
    EXPECT_EQ(GetModuleFileNameW(handle, small, 5), 5u) << "cut paths report the buffer size";
    EXPECT_EQ(std::wstring(small), path.substr(0, 4));
}

TEST(DesktopFiles, AFolderCannotBeOpenedAsAFile) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("qx_desktop_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "plain.txt";
    std::ofstream(file) << "x";

    errno = 0;
    EXPECT_EQ(_open(dir.c_str(), _O_RDONLY, 0), -1);
    EXPECT_EQ(errno, 13);
    const int fd = _open(file.c_str(), _O_RDONLY, 0);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(_close(fd), 0);
    errno = 0;
    EXPECT_EQ(_open((dir / "missing").c_str(), _O_RDONLY, 0), -1);
    EXPECT_EQ(errno, ENOENT);
    std::filesystem::remove_all(dir);
}

}  // namespace
