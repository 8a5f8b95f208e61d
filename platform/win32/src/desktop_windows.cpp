// The simulated desktop: windows with class names, rectangles, parents,
// z-order, visibility and scroll bars, the mouse pointer, and the window,
// scroll and message functions of the <windows.h> stand-in that read or
// change them. One lock guards the desktop; the transcript is written after
// it is released.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "desktop_detail.h"
#include "scroll_request.h"
#include "transcript.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace {

// Simulated cost of one window-system call and of one delivered message.
constexpr std::uint64_t kCallCostUs = 10;
constexpr std::uint64_t kMessageCostUs = 50;

// Handles are spaced numbers far from zero; they are never dereferenced.
constexpr std::uintptr_t kFirstHandle = 0x10010;
constexpr std::uintptr_t kHandleStep = 0x10;

struct Window {
    win32sim::WindowDescription desc;
    win32sim::ScrollBarDescription bars[2];  // indexed by SB_HORZ, SB_VERT
    std::uintptr_t handle = 0;
    int updates = 0;
};

struct Desktop {
    std::mutex lock;
    // In z-order among siblings: of two windows with the same parent, the
    // one earlier in the list lies above the other.
    std::vector<Window> windows;
    POINT cursor{0, 0};
    std::vector<win32sim::SentMessage> sent;
    std::uint64_t calls = 0;
    std::uintptr_t nextHandle = kFirstHandle;
};

Desktop& desktop() {
    static Desktop d;
    return d;
}

// Counts and charges one call; returns the desktop locked.
std::unique_lock<std::mutex> enter() {
    win32sim::chargeUs(kCallCostUs);
    auto& d = desktop();
    std::unique_lock<std::mutex> lock(d.lock);
    ++d.calls;
    return lock;
}

Window* byHandle(HWND hwnd) {
    const auto h = reinterpret_cast<std::uintptr_t>(hwnd);
    if (h == 0) {
        return nullptr;
    }
    for (auto& w : desktop().windows) {
        if (w.handle == h) {
            return &w;
        }
    }
    return nullptr;
}

Window* byId(int id) {
    for (auto& w : desktop().windows) {
        if (w.desc.id == id) {
            return &w;
        }
    }
    return nullptr;
}

HWND toHandle(const Window* w) {
    return w == nullptr ? nullptr : reinterpret_cast<HWND>(w->handle);
}

bool contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Siblings of `w` (same parent) in z-order, `w` included.
std::vector<Window*> siblingsOf(int parentId) {
    std::vector<Window*> out;
    for (auto& w : desktop().windows) {
        if (w.desc.parentId == parentId) {
            out.push_back(&w);
        }
    }
    return out;
}

bool visibleWithAncestors(const Window* w) {
    while (w != nullptr) {
        if (!w->desc.visible) {
            return false;
        }
        if (w->desc.parentId == 0) {
            return true;
        }
        w = byId(w->desc.parentId);
    }
    return false;
}

}  // namespace

extern "C" {

BOOL WINAPI GetCursorPos(LPPOINT lpPoint) {
    auto lock = enter();
    if (lpPoint == nullptr) {
        return FALSE;
    }
    *lpPoint = desktop().cursor;
    return TRUE;
}

HWND WINAPI WindowFromPoint(POINT Point) {
    auto lock = enter();
    const Window* found = nullptr;
    int parentId = 0;
    for (;;) {
        const Window* next = nullptr;
        for (const Window* w : siblingsOf(parentId)) {
            if (w->desc.visible && contains(w->desc.rect, Point)) {
                next = w;
                break;
            }
        }
        if (next == nullptr) {
            break;
        }
        found = next;
        parentId = next->desc.id;
    }
    return toHandle(found);
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    auto lock = enter();
    const Window* w = byHandle(hWnd);
    if (w == nullptr || lpRect == nullptr) {
        return FALSE;
    }
    *lpRect = w->desc.rect;
    return TRUE;
}

HWND WINAPI GetParent(HWND hWnd) {
    auto lock = enter();
    const Window* w = byHandle(hWnd);
    if (w == nullptr || w->desc.parentId == 0) {
        return nullptr;
    }
    return toHandle(byId(w->desc.parentId));
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    auto lock = enter();
    const Window* w = byHandle(hWnd);
    if (w == nullptr) {
        return nullptr;
    }
    if (uCmd == GW_CHILD) {
        const auto children = siblingsOf(w->desc.id);
        return children.empty() ? nullptr : toHandle(children.front());
    }
    const auto sibs = siblingsOf(w->desc.parentId);
    const auto at = std::find(sibs.begin(), sibs.end(), w) - sibs.begin();
    switch (uCmd) {
        case GW_HWNDFIRST:
            return toHandle(sibs.front());
        case GW_HWNDLAST:
            return toHandle(sibs.back());
        case GW_HWNDNEXT:
            return at + 1 < static_cast<long>(sibs.size()) ? toHandle(sibs[at + 1]) : nullptr;
        case GW_HWNDPREV:
            return at > 0 ? toHandle(sibs[at - 1]) : nullptr;
        default:  // GW_OWNER: simulated windows have no owners
            return nullptr;
    }
}

BOOL WINAPI PtInRect(const RECT* lprc, POINT pt) {
    return lprc != nullptr && contains(*lprc, pt) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    auto lock = enter();
    return visibleWithAncestors(byHandle(hWnd)) ? TRUE : FALSE;
}

int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    auto lock = enter();
    const Window* w = byHandle(hWnd);
    if (w == nullptr || lpClassName == nullptr || nMaxCount <= 0) {
        return 0;
    }
    const auto& name = w->desc.className;
    const int n = static_cast<int>(std::min<std::size_t>(name.size(), nMaxCount - 1));
    std::copy_n(name.begin(), n, lpClassName);
    lpClassName[n] = L'\0';
    return n;
}

BOOL WINAPI GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi) {
    auto lock = enter();
    const Window* w = byHandle(hwnd);
    if (w == nullptr || lpsi == nullptr || lpsi->cbSize != sizeof(SCROLLINFO) ||
        (nBar != SB_HORZ && nBar != SB_VERT) || !w->desc.scroll || (lpsi->fMask & SIF_ALL) == 0) {
        return FALSE;
    }
    const auto& bar = w->bars[nBar];
    if (lpsi->fMask & SIF_RANGE) {
        lpsi->nMin = bar.min;
        lpsi->nMax = bar.max;
    }
    if (lpsi->fMask & SIF_PAGE) {
        lpsi->nPage = bar.page;
    }
    if (lpsi->fMask & SIF_POS) {
        lpsi->nPos = bar.pos;
    }
    if (lpsi->fMask & SIF_TRACKPOS) {
        lpsi->nTrackPos = bar.pos;
    }
    return TRUE;
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    win32sim::chargeUs(kMessageCostUs);
    int id = 0;
    {
        auto lock = enter();
        Window* w = byHandle(hWnd);
        if (w == nullptr) {
            return 0;
        }
        id = w->desc.id;
        if (w->desc.scroll && (Msg == WM_VSCROLL || Msg == WM_HSCROLL)) {
            auto& bar = w->bars[Msg == WM_VSCROLL ? SB_VERT : SB_HORZ];
            bar.pos = win32sim::detail::scrolledPos(bar, wParam).value_or(bar.pos);
        }
        desktop().sent.push_back({id, Msg, wParam, lParam});
    }
    transcript::emit("message", transcript::Fields()
                                    .integer("window", id)
                                    .uinteger("msg", Msg)
                                    .uinteger("wparam", wParam)
                                    .uinteger("lparam", static_cast<std::uint64_t>(lParam)));
    return 0;
}

BOOL WINAPI UpdateWindow(HWND hWnd) {
    auto lock = enter();
    Window* w = byHandle(hWnd);
    if (w == nullptr) {
        return FALSE;
    }
    ++w->updates;
    return TRUE;
}

}  // extern "C"

namespace win32sim {

HWND addWindow(const WindowDescription& desc) {
    auto& d = desktop();
    std::lock_guard<std::mutex> lock(d.lock);
    if (desc.id <= 0 || byId(desc.id) != nullptr ||
        (desc.parentId != 0 && byId(desc.parentId) == nullptr)) {
        return nullptr;
    }
    Window w;
    w.desc = desc;
    if (desc.scroll) {
        w.bars[SB_HORZ] = *desc.scroll;
        w.bars[SB_VERT] = *desc.scroll;
    }
    w.handle = d.nextHandle;
    d.nextHandle += kHandleStep;
    d.windows.push_back(std::move(w));
    return toHandle(&d.windows.back());
}

HWND windowHandle(int id) {
    std::lock_guard<std::mutex> lock(desktop().lock);
    return toHandle(byId(id));
}

std::optional<WindowDescription> windowState(int id) {
    std::lock_guard<std::mutex> lock(desktop().lock);
    const Window* w = byId(id);
    if (w == nullptr) {
        return std::nullopt;
    }
    WindowDescription out = w->desc;
    if (out.scroll) {
        out.scroll = w->bars[SB_VERT];
    }
    return out;
}

std::optional<ScrollBarDescription> scrollBarState(int id, int bar) {
    std::lock_guard<std::mutex> lock(desktop().lock);
    const Window* w = byId(id);
    if (w == nullptr || !w->desc.scroll || (bar != SB_HORZ && bar != SB_VERT)) {
        return std::nullopt;
    }
    return w->bars[bar];
}

void setWindowVisible(int id, bool visible) {
    std::lock_guard<std::mutex> lock(desktop().lock);
    if (Window* w = byId(id)) {
        w->desc.visible = visible;
    }
}

void setCursorPos(int x, int y) {
    std::lock_guard<std::mutex> lock(desktop().lock);
    desktop().cursor = POINT{x, y};
}

std::vector<SentMessage> sentMessages() {
    std::lock_guard<std::mutex> lock(desktop().lock);
    return desktop().sent;
}

int updateWindowCount(int id) {
    std::lock_guard<std::mutex> lock(desktop().lock);
    const Window* w = byId(id);
    return w == nullptr ? 0 : w->updates;
}

std::uint64_t desktopCallCount() {
    std::lock_guard<std::mutex> lock(desktop().lock);
    return desktop().calls;
}

}  // namespace win32sim

namespace win32sim::detail {

void resetDesktopWindows() {
    auto& d = desktop();
    std::lock_guard<std::mutex> lock(d.lock);
    d.windows.clear();
    d.cursor = POINT{0, 0};
    d.sent.clear();
    d.calls = 0;
}

}  // namespace win32sim::detail
