// Judges a key stress run: given when each numbered key entered the daemon's
// event stream and what the host thread saw between two looks at the world,
// decides for each key whether it was executed, replaced by a newer one
// before the host took it, dropped because no drawing was open when it was
// taken, or lost. Pure functions; no thread, no clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stress {

// The stretch of the host thread's work between two consecutive looks.
struct Window {
    // Events of the stream (numbered from 1 in sending order) that the
    // reading thread had surely stored when the window opened, and the
    // highest one it may have read by the time the window closed.
    std::uint64_t storedBefore = 0;
    std::uint64_t readBy = 0;
    bool documentOpen = true;
    // A driver pass began inside the window; a pass takes the pending key
    // first thing.
    bool hasTake = true;
    // Menu entries whose macros were sent inside the window, in order.
    std::vector<int> menuIndices;
};

struct KeyVerdict {
    int sent = 0;
    int executed = 0;
    int replaced = 0;
    int droppedNoDrawing = 0;
    std::vector<std::string> violations;  // empty when every key is accounted for
};

// keyEvents[k] is the stream number of key k (strictly increasing); key k
// runs menu entry k % menuSize. A key counts as lost when the first window
// with a pass that opened after the key was stored closed before the next key
// could be read, no window that may have taken it ran without a drawing, and
// it was not executed.
KeyVerdict checkKeys(const std::vector<std::uint64_t>& keyEvents, int menuSize,
                     const std::vector<Window>& windows);

}  // namespace stress
