// Scroll mode against real Win32 controls in a real window hierarchy: the
// window under the pointer, the line count from the control's own scroll
// information, the messages the control receives and how far it moves.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <map>
#include <string>
#include <vector>

#include "auto_cad_proxy.h"
#include "scroll_mode.h"
#include "wine_host.h"

namespace {

// Scroll messages a control received: message and request code.
struct Received {
    UINT msg;
    int code;
};
std::vector<Received> gReceived;
std::map<HWND, WNDPROC> gOriginalProcs;

LRESULT CALLBACK countingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_VSCROLL || msg == WM_HSCROLL) {
        gReceived.push_back({msg, LOWORD(wParam)});
    }
    return CallWindowProcW(gOriginalProcs[hwnd], hwnd, msg, wParam, lParam);
}

void countScrollMessages(HWND hwnd) {
    gOriginalProcs[hwnd] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingProc)));
}

const wchar_t kPanelClass[] = L"QxTestPanel";

void registerPanelClass() {
    static bool done = false;
    if (done) {
        return;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPanelClass;
    RegisterClassW(&wc);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    LoadLibraryW(L"riched20.dll");
    done = true;
}

std::wstring numberedLines(int count) {
    std::wstring text;
    for (int i = 0; i < count; ++i) {
        text += L"line " + std::to_wstring(i) + L"\r\n";
    }
    return text;
}

SCROLLINFO scrollInfo(HWND hwnd, int bar = SB_VERT) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(hwnd, bar, &si);
    return si;
}

int expectedLines(const SCROLLINFO& si) {
    return std::max(1, std::min(10, si.nMax / 100));
}

class ScrollControls : public WineHost {
protected:
    void SetUp() override {
        WineHost::SetUp();
        registerPanelClass();
        gReceived.clear();
        gOriginalProcs.clear();
        mFrame = CreateWindowExW(0, kPanelClass, L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 900, 700, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(mFrame, nullptr);
        createAppsDir();
        load();
    }
    void TearDown() override {
        DestroyWindow(mFrame);
        WineHost::TearDown();
    }

    HWND child(HWND parent, const wchar_t* cls, DWORD style, RECT r, const wchar_t* text = L"") {
        HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                    r.right - r.left, r.bottom - r.top, parent, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(hwnd, nullptr) << "class " << std::string(cls, cls + wcslen(cls));
        return hwnd;
    }
    HWND listView(HWND parent, RECT r, int items) {
        HWND list = child(parent, WC_LISTVIEWW, LVS_REPORT | WS_VSCROLL | WS_BORDER, r);
        LVCOLUMNW col{};
        col.mask = LVCF_WIDTH;
        col.cx = 150;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        for (int i = 0; i < items; ++i) {
            std::wstring text = L"item " + std::to_wstring(i);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = text.data();
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        return list;
    }
    HWND treeView(HWND parent, RECT r, int items) {
        HWND tree = child(parent, WC_TREEVIEWW, TVS_HASLINES | WS_VSCROLL | WS_BORDER, r);
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        for (int i = 0; i < items; ++i) {
            std::wstring text = L"node " + std::to_wstring(i);
            TVINSERTSTRUCTW ins{};
            ins.hParent = TVI_ROOT;
            ins.hInsertAfter = TVI_LAST;
            ins.item.mask = TVIF_TEXT;
            ins.item.pszText = text.data();
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins));
        }
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        return tree;
    }
    HWND editor(const wchar_t* cls, RECT r, int lines) {
        HWND edit = child(mFrame, cls, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER, r);
        SetWindowTextW(edit, numberedLines(lines).c_str());
        SendMessageW(edit, EM_SETSEL, 0, 0);
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        return edit;
    }

    // Puts the pointer on the middle of `hwnd`.
    static POINT pointAt(HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        SetCursorPos(p.x, p.y);
        return p;
    }

    // One pass of scroll mode with the pointer over `target`, first down
    // then back up; checks messages and movement against the control's own
    // scroll information.
    void scrollsByItsOwnLines(HWND target, bool linesAreUnits) {
        countScrollMessages(target);
        pointAt(target);
        const SCROLLINFO top = scrollInfo(target);
        ASSERT_GT(top.nMax, 0);
        ASSERT_GT(top.nPage, 0u);
        ASSERT_EQ(top.nPos, 0);
        const int lines = expectedLines(top);

        EXPECT_TRUE(mQx->mAutoCadProxyP->scrollWindowUnderCursor(0, 0, -40));
        EXPECT_TRUE(gReceived.empty()) << "at the top nothing is sent";
        EXPECT_EQ(scrollInfo(target).nPos, 0);

        EXPECT_TRUE(mQx->mAutoCadProxyP->scrollWindowUnderCursor(0, 0, 40));
        ASSERT_EQ(gReceived.size(), static_cast<size_t>(lines));
        for (const Received& r : gReceived) {
            EXPECT_EQ(r.msg, static_cast<UINT>(WM_VSCROLL));
            EXPECT_EQ(r.code, SB_LINEDOWN);
        }
        const int moved = scrollInfo(target).nPos;
        if (linesAreUnits) {
            EXPECT_EQ(moved, lines);
        } else {
            EXPECT_GT(moved, 0);
        }

        gReceived.clear();
        EXPECT_TRUE(mQx->mAutoCadProxyP->scrollWindowUnderCursor(0, 30, 10)) << "y = 30: up";
        EXPECT_EQ(gReceived.size(), static_cast<size_t>(lines));
        EXPECT_EQ(scrollInfo(target).nPos, 0);
    }

    HWND mFrame = nullptr;
};

TEST_F(ScrollControls, ListViewScrollsByItsOwnLineCount) {
    HWND list = listView(mFrame, {20, 20, 320, 260}, 640);
    scrollsByItsOwnLines(list, true);
}

TEST_F(ScrollControls, TreeViewScrollsByItsOwnLineCount) {
    HWND tree = treeView(mFrame, {20, 20, 320, 260}, 450);
    scrollsByItsOwnLines(tree, true);
}

TEST_F(ScrollControls, EditScrollsByItsOwnLineCount) {
    HWND edit = editor(L"Edit", {20, 20, 320, 260}, 380);
    scrollsByItsOwnLines(edit, true);
}

TEST_F(ScrollControls, RichEditCountsAsEditAndScrolls) {
    HWND rich = editor(RICHEDIT_CLASSW, {20, 20, 320, 260}, 300);
    scrollsByItsOwnLines(rich, false);
}

// Above the list lie a bigger panel (topmost, the window Windows reports)
// and, among the list's siblings, a hidden window; the list sits inside a
// container below the panel. The search goes through the siblings, then the
// container's children.
TEST_F(ScrollControls, SmallestVisibleWindowAmongSiblingsAndChildren) {
    HWND panel = child(mFrame, kPanelClass, 0, {0, 0, 700, 500});
    HWND container = child(mFrame, kPanelClass, 0, {10, 10, 510, 410});
    HWND hidden = child(mFrame, kPanelClass, 0, {100, 100, 200, 200});
    ShowWindow(hidden, SW_HIDE);
    HWND list = listView(container, {40, 40, 340, 340}, 250);
    SetWindowPos(panel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(container, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    const POINT p = pointAt(list);
    ASSERT_EQ(WindowFromPoint(p), panel) << "the system reports the topmost sibling";
    EXPECT_EQ(findWindowUnderPoint(p), list);

    POINT outside{p.x + 400, p.y};  // in the panel only
    EXPECT_EQ(findWindowUnderPoint(outside), panel);

    countScrollMessages(list);
    EXPECT_TRUE(mQx->mAutoCadProxyP->scrollWindowUnderCursor(0, 0, 40));
    EXPECT_EQ(gReceived.size(), 2u) << "maximum 249 gives 2 lines";
    EXPECT_EQ(scrollInfo(list).nPos, 2);
}

TEST_F(ScrollControls, TopLevelWindowIsItsOwnTargetAndNoControlNavigates) {
    const POINT p = pointAt(mFrame);
    EXPECT_EQ(findWindowUnderPoint(p), mFrame);
    EXPECT_FALSE(mQx->mAutoCadProxyP->scrollWindowUnderCursor(0, 0, 40));
}

}  // namespace
