// Scroll mode: while the mouse pointer rests over a tree, list or edit
// control (or a Qt widget) of any window, a cap deflection scrolls that
// control instead of moving the view. Host's main thread, inside the
// navigation timer; keeps no state between passes.

#include <algorithm>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "auto_cad_proxy.h"
#include "scroll_mode.h"
#include "qx_auto_cad.h"

namespace {

const int kClassNameChars = 256;  // 255 characters and the zero
const int kAnsiNameBytes = 260;
const UINT kScrollInfoMask = SIF_ALL;  // range, page, position, track position
const WPARAM kWheelUp = 0x00780000;    // delta +120 in the high word, no key flags
const WPARAM kWheelDown = 0xFF880000;  // delta -120

// Lines per pass grow with the range: one per hundred, 1 to 10.
const int kRangePerLine = 100;
const int kMaxLinesPerPass = 10;
// The pause sets the scroll speed: up to kSlowestPauseMs for a small
// deflection, 1 ms for a full one; short ranges wait up to kShortRange ms more.
const INT64 kSlowestPauseMs = 150;
const INT64 kShortRange = 50;

enum ControlKind { NoControl, ScrollBarsControl, WheelControl };
enum Direction { NoDirection, Vertical, Horizontal };

bool has(const std::string& className, const char* part) {
    return className.find(part) != std::string::npos;
}

ControlKind classify(const std::string& className) {
    if (has(className, "SysTreeView32") || has(className, "TreeView")) {
        return ScrollBarsControl;
    }
    if (has(className, "SysListView32") || has(className, "ListBox") || has(className, "Edit")) {
        return ScrollBarsControl;
    }
    if (className == "QWidget") {
        return WheelControl;
    }
    return NoControl;
}

// The pointer's window class in the ANSI code page; unconvertible
// characters become blanks.
std::string ansiClassName(HWND window) {
    wchar_t wide[kClassNameChars] = {};
    GetClassNameW(window, wide, kClassNameChars);
    char ansi[kAnsiNameBytes] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, kAnsiNameBytes, " ", NULL);
    ansi[kAnsiNameBytes - 1] = '\0';
    return ansi;
}

// Unsigned 64 bits hold the area of any rectangle of LONG coordinates: its
// sides overflow 32 bits, their product 63. An inverted rectangle has none.
UINT64 area(const RECT& r) {
    const INT64 width = std::max<INT64>(0, static_cast<INT64>(r.right) - r.left);
    const INT64 height = std::max<INT64>(0, static_cast<INT64>(r.bottom) - r.top);
    return static_cast<UINT64>(width) * static_cast<UINT64>(height);
}

void pause(INT64 h, INT64 v, INT64 extraMs) {
    const INT64 m = std::max(_abs64(h), _abs64(v));
    const INT64 base = std::max<INT64>(1, kSlowestPauseMs - m / 2);
    Sleep(static_cast<DWORD>(base + extraMs));
}

}  // namespace

HWND findWindowUnderPoint(POINT point) {
    HWND best = WindowFromPoint(point);
    if (best == NULL) {
        return NULL;
    }
    RECT bestRect = {};
    GetWindowRect(best, &bestRect);
    HWND parent = GetParent(best);
    if (parent == NULL) {
        return best;
    }
    // Look for a smaller visible window containing the point: first among
    // the siblings below the reported one, then level by level among the
    // children of each new best.
    HWND candidate = GetWindow(best, GW_HWNDNEXT);
    for (;;) {
        bool found = false;
        for (; candidate != NULL; candidate = GetWindow(candidate, GW_HWNDNEXT)) {
            RECT rect = {};
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
        if (candidate == NULL) {
            break;
        }
        parent = best;
    }
    return best;
}

bool AutoCadProxy::scrollWindowUnderCursor(INT32 x, INT32 y, INT32 z) {
    if (!mQxAutoCadP->mScrollTreeAndList) {
        return false;
    }
    try {
        POINT cursor = {};
        if (!GetCursorPos(&cursor)) {
            return false;
        }
        HWND target = findWindowUnderPoint(cursor);
        if (target == NULL) {
            return false;
        }
        const ControlKind kind = classify(ansiClassName(target));
        if (kind == NoControl) {
            return false;
        }

        // Horizontal from X; vertical from Y (sign turned) or Z, whichever
        // is larger; the larger of the two picks the direction.
        const INT64 h = x;
        const INT64 v = _abs64(y) > _abs64(z) ? -static_cast<INT64>(y) : z;
        Direction direction = NoDirection;
        if (_abs64(h) < _abs64(v)) {
            direction = Vertical;
        } else if (_abs64(h) > _abs64(v)) {
            direction = Horizontal;
        }

        if (kind == WheelControl) {
            // A wheel has no horizontal message: sideways scrolls vertically.
            const INT64 amount = direction == Vertical ? v : h;
            if (direction != NoDirection) {
                const WPARAM wheel = amount < 0 ? kWheelUp : kWheelDown;
                SendMessageW(target, WM_MOUSEWHEEL, wheel, MAKELPARAM(cursor.x, cursor.y));
                UpdateWindow(target);
            }
            pause(h, v, 0);
            return true;
        }

        if (direction == NoDirection) {
            return true;  // a pure rotation over a list is swallowed
        }
        const bool vertical = direction == Vertical;
        SCROLLINFO info = {};
        info.cbSize = sizeof(SCROLLINFO);
        info.fMask = kScrollInfoMask;
        if (!GetScrollInfo(target, vertical ? SB_VERT : SB_HORZ, &info) || info.nMin < 0 ||
            info.nMax < 0 || info.nMin >= info.nMax || info.nPage == 0) {
            return false;
        }
        const int lines = std::max(1, std::min(info.nMax / kRangePerLine, kMaxLinesPerPass));
        const INT64 amount = vertical ? v : h;
        const UINT message = vertical ? WM_VSCROLL : WM_HSCROLL;
        // The position is read once, so either all lines go or none.
        WPARAM code = 0;
        bool send = false;
        if (amount < 0 && info.nPos > 0) {
            code = vertical ? SB_LINEUP : SB_LINELEFT;
            send = true;
        } else if (amount > 0 && static_cast<INT64>(info.nPage) + info.nPos <= info.nMax) {
            code = vertical ? SB_LINEDOWN : SB_LINERIGHT;
            send = true;
        }
        for (int i = 0; send && i < lines; ++i) {
            SendMessageW(target, message, code, 0);
        }
        pause(h, v, std::max<INT64>(0, kShortRange - info.nMax));
        return true;
    } catch (...) {
        return false;
    }
}
