// Control side of the simulated desktop: the windows a scenario puts on the
// screen, the mouse pointer, and read-back of what the plug-in did to them
// (messages sent, message boxes shown, beeps). Used by qxsim and the tests,
// never by the plug-in. Callable from any thread; one lock guards the desktop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32sim {

// Position of one scroll bar (the track position follows the position).
struct ScrollBarDescription {
    int min = 0;
    int max = 0;
    unsigned page = 0;
    int pos = 0;
};

// One window of the desktop. Rectangles are in screen coordinates, as
// GetWindowRect reports them; a child is not clipped to its parent, but the
// window-from-point search only descends into windows that contain the point.
struct WindowDescription {
    int id = 0;              // the scenario's window ID (> 0), named in transcript `message`
    std::wstring className;  // what GetClassNameW reports
    RECT rect{0, 0, 0, 0};
    int parentId = 0;  // 0: a top-level window
    bool visible = true;
    // When set, both bars have these values, GetScrollInfo succeeds for them,
    // and the window moves its position on scroll messages as a list or tree
    // control does. When unset, GetScrollInfo fails.
    std::optional<ScrollBarDescription> scroll;
};

// Adds a window below its existing siblings in z-order: the window added
// first is the topmost of its siblings. Returns null when the ID is not
// positive or already taken, or the parent ID is unknown.
HWND addWindow(const WindowDescription& desc);

// Handle of the window with this ID, or null.
HWND windowHandle(int id);

// Current state of a window (scroll positions as moved by messages).
std::optional<WindowDescription> windowState(int id);
std::optional<ScrollBarDescription> scrollBarState(int id, int bar);  // SB_HORZ or SB_VERT

void setWindowVisible(int id, bool visible);

// The mouse pointer in screen coordinates (GetCursorPos). Starts at (0,0).
void setCursorPos(int x, int y);

// What SendMessageW delivered, in order.
struct SentMessage {
    int window = 0;  // the window's ID
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
};
std::vector<SentMessage> sentMessages();

// Sets an environment variable as a Windows process has it, wide: what
// GetEnvironmentVariableW gives, while the C library's (getenv) gets the
// value in the ANSI code page, a character that code page lacks becoming
// '?' as the C run-time makes it. Until resetEnvironment() (or the process
// ends).
void setWideEnvironment(const std::wstring& name, const std::wstring& value);
void resetEnvironment();

struct ShownMessageBox {
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};
std::vector<ShownMessageBox> shownMessageBoxes();

struct SoundedBeep {
    DWORD freq = 0;
    DWORD ms = 0;
};
std::vector<SoundedBeep> soundedBeeps();

// UpdateWindow calls made for a window.
int updateWindowCount(int id);

// Number of calls of the window, pointer and scroll functions (everything
// that reads or changes the desktop) since the last reset.
std::uint64_t desktopCallCount();

// Removes every window, puts the pointer at (0,0) and clears the records
// above. Handles of removed windows are never handed out again.
void resetDesktop();

}  // namespace win32sim
