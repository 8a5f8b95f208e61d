// The mode-name table of the menu file: filled on the host's main thread,
// looked up by the device link's reading thread on every pass. A short lock
// guards the table, so a lookup never sees it half-filled. Any thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mutex.h"

class ModeNameTable {
public:
    ModeNameTable() : mLock("ModeNameTable") {}

    // Replaces the whole table at once (build the new table aside first).
    void set(std::vector<std::string> names);

    // The name at `index`; "Unknown" for an index outside the table.
    std::string nameAt(int index) const;

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    std::vector<std::string> names() const;

private:
    ModeNameTable(const ModeNameTable&);
    ModeNameTable& operator=(const ModeNameTable&);

    mutable Mutex mLock;
    std::vector<std::string> mNames;
};
