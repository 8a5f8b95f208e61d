// Scroll mode: while the mouse pointer rests over a tree, list or edit
// control (or a Qt widget) of any window, a cap deflection scrolls that
// control instead of moving the view. Host's main thread, inside the
// navigation timer; keeps no state between passes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "auto_cad_proxy.h"
#include "scroll_mode.h"
#include "qx_auto_cad.h"

namespace {

constexpr int kClassNameChars = 256;  // 255 characters and the zero
constexpr int kAnsiNameBytes = 260;
constexpr UINT kScrollInfoMask = SIF_ALL;  // range, page, position, track position
constexpr WPARAM kWheelUp = 0x00780000;    // delta +120 in the high word, no key flags
constexpr WPARAM kWheelDown = 0xFF880000;  // delta -120

// Lines per pass grow with the range: one per hundred, 1 to 10.
constexpr int kRangePerLine = 100;
constexpr int kMaxLinesPerPass = 10;
// The pause sets the scroll speed: up to kSlowestPauseMs for a small
// deflection, 1 ms for a full one; short ranges wait up to kShortRange ms more.
constexpr int64_t kSlowestPauseMs = 150;
constexpr int64_t kShortRange = 50;

enum class ControlKind { None, ScrollBars, Wheel };
enum class Direction { None, Vertical, Horizontal };

ControlKind classify(const std::string& className) {
    const auto has = [&](const char* part) { return className.find(part) != std::string::npos; };
    if (has("SysTreeView32") || has("TreeView")) {
        return ControlKind::ScrollBars;
    }
    if (has("SysListView32") || has("ListBox") || has("Edit")) {
        return ControlKind::ScrollBars;
    }
    if (className == "QWidget") {
        return ControlKind::Wheel;
    }
    return ControlKind::None;
}

// The pointer's window class in the ANSI code page; unconvertible
// characters become blanks.
std::string ansiClassName(HWND window) {
    wchar_t wide[kClassNameChars] = {};
    GetClassNameW(window, wide, kClassNameChars);
    char ansi[kAnsiNameBytes] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, kAnsiNameBytes, " ", nullptr);
    ansi[kAnsiNameBytes - 1] = '\0';
    return ansi;
}

// Unsigned 64 bits hold the area of any rectangle of LONG coordinates: its
// sides overflow 32 bits, their product 63. An inverted rectangle has none.
uint64_t area(const RECT& r) {
    const int64_t width = std::max<int64_t>(0, static_cast<int64_t>(r.right) - r.left);
    const int64_t height = std::max<int64_t>(0, static_cast<int64_t>(r.bottom) - r.top);
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
}

void pause(int64_t h, int64_t v, int64_t extraMs) {
    const int64_t m = std::max(std::llabs(h), std::llabs(v));
    const int64_t base = std::max<int64_t>(1, kSlowestPauseMs - m / 2);
    Sleep(static_cast<DWORD>(base + extraMs));
}

}  // namespace

HWND findWindowUnderPoint(POINT point) {
    HWND best = WindowFromPoint(point);
    if (best == nullptr) {
        return nullptr;
    }
    RECT bestRect{};
    GetWindowRect(best, &bestRect);
    HWND parent = GetParent(best);
    if (parent == nullptr) {
        return best;
    }
    // Look for a smaller visible window containing the point: first among
    // the siblings below the reported one, then level by level among the
    // children of each new best.
    HWND candidate = GetWindow(best, GW_HWNDNEXT);
    for (;;) {
        bool found = false;
        for (; candidate != nullptr; candidate = GetWindow(candidate, GW_HWNDNEXT)) {
            RECT rect{};
            GetWindowRect(candidate, &rect);
            if (PtInRect(&rect, point) && GetParent(candidate) == parent &&
                IsWindowVisible(candidate) && area(rect) < area(bestRect)) {
                best = candidate;
                bestRect = rect;
                found = true;
            }
        }
        if (!found) {
            break;
        }
        candidate = GetWindow(best, GW_CHILD);
        if (candidate == nullptr) {
            break;
        }
        parent = best;
    }
    return best;
}

bool AutoCadProxy::scrollWindowUnderCursor(int32_t x, int32_t y, int32_t z) {
    if (!mQxAutoCadP->mScrollTreeAndList) {
        return false;
    }
    try {
        POINT cursor{};
        if (!GetCursorPos(&cursor)) {
            return false;
        }
        HWND target = findWindowUnderPoint(cursor);
        if (target == nullptr) {
            return false;
        }
        const ControlKind kind = classify(ansiClassName(target));
        if (kind == ControlKind::None) {
            return false;
        }

        // Horizontal from X; vertical from Y (sign turned) or Z, whichever
        // is larger; the larger of the two picks the direction.
        const int64_t h = x;
        const int64_t v = std::llabs(y) > std::llabs(z) ? -static_cast<int64_t>(y) : z;
        Direction direction = Direction::None;
        if (std::llabs(h) < std::llabs(v)) {
            direction = Direction::Vertical;
        } else if (std::llabs(h) > std::llabs(v)) {
            direction = Direction::Horizontal;
        }

        if (kind == ControlKind::Wheel) {
            // A wheel has no horizontal message: sideways scrolls vertically.
            const int64_t amount = direction == Direction::Vertical ? v : h;
            if (direction != Direction::None) {
                const WPARAM wheel = amount < 0 ? kWheelUp : kWheelDown;
                SendMessageW(target, WM_MOUSEWHEEL, wheel, MAKELPARAM(cursor.x, cursor.y));
                UpdateWindow(target);
            }
            pause(h, v, 0);
            return true;
        }

        if (direction == Direction::None) {
            return true;  // a pure rotation over a list is swallowed
        }
        const bool vertical = direction == Direction::Vertical;
        SCROLLINFO info{};
        info.cbSize = sizeof(SCROLLINFO);
        info.fMask = kScrollInfoMask;
        if (!GetScrollInfo(target, vertical ? SB_VERT : SB_HORZ, &info) || info.nMin < 0 ||
            info.nMax < 0 || info.nMin >= info.nMax || info.nPage == 0) {
            return false;
        }
        const int lines = std::clamp(info.nMax / kRangePerLine, 1, kMaxLinesPerPass);
        const int64_t amount = vertical ? v : h;
        const UINT message = vertical ? WM_VSCROLL : WM_HSCROLL;
        // The position is read once, so either all lines go or none.
        WPARAM code = 0;
        bool send = false;
        if (amount < 0 && info.nPos > 0) {
            code = vertical ? SB_LINEUP : SB_LINELEFT;
            send = true;
        } else if (amount > 0 && static_cast<int64_t>(info.nPage) + info.nPos <= info.nMax) {
            code = vertical ? SB_LINEDOWN : SB_LINERIGHT;
            send = true;
        }
        for (int i = 0; send && i < lines; ++i) {
            SendMessageW(target, message, code, 0);
        }
        pause(h, v, std::max<int64_t>(0, kShortRange - info.nMax));
        return true;
    } catch (...) {
        return false;
    }
}
