// How a list or tree control moves a scroll bar on WM_VSCROLL / WM_HSCROLL:
// one rule for the simulated desktop and for the real windows that the
// desktop control makes on Windows. Internal to win32sim.
#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>

#include "win32_desktop_control.h"

namespace win32sim::detail {

// Highest position a list lets its top line take: the last page is full.
inline int maxScrollPos(const ScrollBarDescription& bar) {
    const int page = static_cast<int>(std::min<unsigned>(bar.page, 0x7fffffff));
    return std::max(bar.min, bar.max - std::max(page - 1, 0));
}

// The bar's position after the request in wParam (the SB_ code in the low
// word, the thumb position in the high word), kept within the bar's range.
// SB_ENDSCROLL and unknown codes leave the position alone (nullopt).
inline std::optional<int> scrolledPos(const ScrollBarDescription& bar, WPARAM wParam) {
    const int page =
        static_cast<int>(std::max<unsigned>(1, std::min<unsigned>(bar.page, 0x7fffffff)));
    long long pos = bar.pos;
    switch (LOWORD(wParam)) {
        case SB_LINEUP:
            pos -= 1;
            break;
        case SB_LINEDOWN:
            pos += 1;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            pos = HIWORD(wParam);
            break;
        case SB_TOP:
            pos = bar.min;
            break;
        case SB_BOTTOM:
            pos = maxScrollPos(bar);
            break;
        default:
            return std::nullopt;
    }
    return static_cast<int>(std::clamp<long long>(pos, bar.min, maxScrollPos(bar)));
}

}  // namespace win32sim::detail
