// The mode-name table, guarded by a short lock (see mode_name_table.h).
#include "mode_name_table.h"

#include <utility>

namespace {
// What the daemon hears for a mode the menu file does not name.
const char* const kUnknownModeName = "Unknown";
}  // namespace

void ModeNameTable::set(std::vector<std::string> names) {
    std::lock_guard<std::mutex> guard(mLock);
    mNames.swap(names);
}

std::string ModeNameTable::nameAt(int index) const {
    std::lock_guard<std::mutex> guard(mLock);
    if (index < 0 || static_cast<std::size_t>(index) >= mNames.size()) {
        return kUnknownModeName;
    }
    return mNames[static_cast<std::size_t>(index)];
}

std::size_t ModeNameTable::size() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mNames.size();
}

std::vector<std::string> ModeNameTable::names() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mNames;
}
