// Accounting of the numbered keys of a stress run (see key_check.h).
#include "key_check.h"

#include <limits>

namespace stress {
namespace {

constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

std::string keyText(std::size_t key, std::size_t window) {
    return "key " + std::to_string(key) + " (window " + std::to_string(window) + ")";
}

}  // namespace

KeyVerdict checkKeys(const std::vector<std::uint64_t>& keyEvents, int menuSize,
                     const std::vector<Window>& windows) {
    KeyVerdict verdict;
    const std::size_t count = keyEvents.size();
    verdict.sent = static_cast<int>(count);
    const auto entries = static_cast<std::size_t>(menuSize);
    std::vector<bool> executed(count, false);

    // Executions, in the order the host ran them: each must be the next key
    // after the previous execution that runs that entry.
    std::size_t next = 0;
    for (std::size_t t = 0; t < windows.size(); ++t) {
        for (const int index : windows[t].menuIndices) {
            const auto entry = static_cast<std::size_t>(index);
            const std::size_t key = next + (entry + entries - next % entries) % entries;
            if (index < 0 || entry >= entries || key >= count) {
                verdict.violations.push_back("menu entry " + std::to_string(index) +
                                             " ran in window " + std::to_string(t) +
                                             " but no later key asked for it (run twice?)");
                continue;
            }
            if (keyEvents[key] > windows[t].readBy) {
                verdict.violations.push_back(keyText(key, t) + " ran before it could be read");
            }
            if (!windows[t].documentOpen) {
                verdict.violations.push_back(keyText(key, t) + " ran without a drawing");
            }
            executed[key] = true;
            ++verdict.executed;
            next = key + 1;
        }
    }

    for (std::size_t key = 0; key < count; ++key) {
        if (executed[key]) {
            continue;
        }
        const std::uint64_t stored = keyEvents[key];
        const std::uint64_t following = key + 1 < count ? keyEvents[key + 1] : kNever;
        // The first pass that began after the key was stored takes it unless
        // the following key replaced it first; an earlier pass may have taken
        // it while it was being stored.
        bool takenWithoutDrawing = false;
        std::size_t first = windows.size();
        for (std::size_t t = 0; t < windows.size(); ++t) {
            if (!windows[t].hasTake) {
                continue;
            }
            const bool mayHaveTaken =
                windows[t].readBy >= stored && windows[t].storedBefore < following;
            if (mayHaveTaken && !windows[t].documentOpen) {
                takenWithoutDrawing = true;
            }
            if (windows[t].storedBefore >= stored) {
                first = t;
                break;
            }
        }
        if (takenWithoutDrawing) {
            ++verdict.droppedNoDrawing;
        } else if (first < windows.size() && windows[first].readBy < following) {
            verdict.violations.push_back(keyText(key, first) +
                                         " was pending alone when a pass began and never ran");
        } else {
            ++verdict.replaced;
        }
    }
    return verdict;
}

}  // namespace stress
