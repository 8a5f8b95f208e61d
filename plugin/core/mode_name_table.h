// The mode-name table of the menu file: filled on the host's main thread,
// looked up by the device link's reading thread on every pass. A short lock
// guards the table, so a lookup never sees it half-filled. Any thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

class ModeNameTable {
public:
    ModeNameTable() = default;
    ModeNameTable(const ModeNameTable&) = delete;
    ModeNameTable& operator=(const ModeNameTable&) = delete;

    // Replaces the whole table at once (build the new table aside first).
    void set(std::vector<std::string> names);

    // The name at `index`; "Unknown" for an index outside the table.
    std::string nameAt(int index) const;

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    std::vector<std::string> names() const;

private:
    mutable std::mutex mLock;
    std::vector<std::string> mNames;
};
