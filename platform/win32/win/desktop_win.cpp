// The desktop control on Windows: the desktop is the real one. The pointer
// moves with SetCursorPos, and a scenario's windows are real windows of the
// class it names (registered for this module), with real scroll bars that
// move on scroll messages as a list or tree control does. Each message such
// a window receives is written to the transcript as the stand-in's
// SendMessageW writes it. Host's main thread.
#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "scroll_request.h"
#include "transcript.h"
#include "win32_desktop_control.h"

namespace win32sim {

namespace {

struct DesktopWindows {
    std::map<int, HWND> byId;
    std::map<HWND, int> ids;
    std::set<std::wstring> classes;
};

DesktopWindows& windows() {
    static DesktopWindows theWindows;
    return theWindows;
}

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&windows), &module);
    return module;
}

// A list or tree control's answer to WM_VSCROLL / WM_HSCROLL.
void applyScroll(HWND hwnd, int bar, WPARAM wParam) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(hwnd, bar, &si)) {
        return;
    }
    const auto pos = detail::scrolledPos({si.nMin, si.nMax, si.nPage, si.nPos}, wParam);
    if (!pos) {
        return;
    }
    si.fMask = SIF_POS;
    si.nPos = *pos;
    SetScrollInfo(hwnd, bar, &si, TRUE);
}

LRESULT CALLBACK scenarioWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto it = windows().ids.find(hwnd);
    if (it != windows().ids.end() &&
        (msg == WM_VSCROLL || msg == WM_HSCROLL || msg == WM_MOUSEWHEEL)) {
        if (msg != WM_MOUSEWHEEL) {
            applyScroll(hwnd, msg == WM_VSCROLL ? SB_VERT : SB_HORZ, wParam);
        }
        transcript::emit("message", transcript::Fields()
                                        .integer("window", it->second)
                                        .uinteger("msg", msg)
                                        .uinteger("wparam", wParam)
                                        .uinteger("lparam", static_cast<std::uint64_t>(lParam)));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool registerClass(const std::wstring& name) {
    if (windows().classes.count(name) != 0) {
        return true;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = scenarioWindowProc;
    wc.hInstance = thisModule();
    wc.lpszClassName = name.c_str();
    if (RegisterClassExW(&wc) == 0) {
        return false;
    }
    windows().classes.insert(name);
    return true;
}

}  // namespace

HWND addWindow(const WindowDescription& desc) {
    DesktopWindows& w = windows();
    if (desc.id <= 0 || w.byId.count(desc.id) != 0) {
        return nullptr;
    }
    HWND parent = nullptr;
    if (desc.parentId != 0) {
        const auto it = w.byId.find(desc.parentId);
        if (it == w.byId.end()) {
            return nullptr;
        }
        parent = it->second;
    }
    if (!registerClass(desc.className)) {
        return nullptr;
    }
    // Scenario rectangles are in screen coordinates; a child's are made
    // relative to its parent's client area.
    POINT origin{desc.rect.left, desc.rect.top};
    if (parent != nullptr) {
        MapWindowPoints(HWND_DESKTOP, parent, &origin, 1);
    }
    DWORD style = parent != nullptr ? WS_CHILD : WS_POPUP;
    if (desc.scroll) {
        style |= WS_VSCROLL | WS_HSCROLL;
    }
    HWND hwnd = CreateWindowExW(0, desc.className.c_str(), L"", style, origin.x, origin.y,
                                desc.rect.right - desc.rect.left, desc.rect.bottom - desc.rect.top,
                                parent, nullptr, thisModule(), nullptr);
    if (hwnd == nullptr) {
        return nullptr;
    }
    if (desc.scroll) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = desc.scroll->min;
        si.nMax = desc.scroll->max;
        si.nPage = desc.scroll->page;
        si.nPos = desc.scroll->pos;
        SetScrollInfo(hwnd, SB_VERT, &si, FALSE);
        SetScrollInfo(hwnd, SB_HORZ, &si, FALSE);
    }
    // The window added first stays the topmost of its siblings.
    SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | (desc.visible ? SWP_SHOWWINDOW : 0));
    w.byId[desc.id] = hwnd;
    w.ids[hwnd] = desc.id;
    return hwnd;
}

HWND windowHandle(int id) {
    const auto it = windows().byId.find(id);
    return it == windows().byId.end() ? nullptr : it->second;
}

// Read back from the real window: its rectangle, class, parent and bars.
std::optional<WindowDescription> windowState(int id) {
    const HWND hwnd = windowHandle(id);
    if (hwnd == nullptr) {
        return std::nullopt;
    }
    WindowDescription out;
    out.id = id;
    wchar_t name[256];
    const int length = GetClassNameW(hwnd, name, 256);
    out.className.assign(name, length > 0 ? static_cast<std::size_t>(length) : 0);
    GetWindowRect(hwnd, &out.rect);
    const auto parent = windows().ids.find(GetParent(hwnd));
    out.parentId = parent == windows().ids.end() ? 0 : parent->second;
    out.visible = IsWindowVisible(hwnd) != FALSE;
    out.scroll = scrollBarState(id, SB_VERT);
    return out;
}

std::optional<ScrollBarDescription> scrollBarState(int id, int bar) {
    const HWND hwnd = windowHandle(id);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    if (hwnd == nullptr || (bar != SB_HORZ && bar != SB_VERT) || !GetScrollInfo(hwnd, bar, &si)) {
        return std::nullopt;
    }
    return ScrollBarDescription{si.nMin, si.nMax, si.nPage, si.nPos};
}

void setCursorPos(int x, int y) {
    SetCursorPos(x, y);
}

// A new session: no scenario windows, the pointer at (0,0).
void resetDesktop() {
    DesktopWindows& w = windows();
    for (const auto& [id, hwnd] : w.byId) {
        DestroyWindow(hwnd);  // children go with their parents
    }
    w.byId.clear();
    w.ids.clear();
    SetCursorPos(0, 0);
}

}  // namespace win32sim
