// The mode-name table, guarded by a short lock (see mode_name_table.h).
#include "mode_name_table.h"

namespace {
// What the daemon hears for a mode the menu file does not name.
const char* const kUnknownModeName = "Unknown";
}  // namespace

void ModeNameTable::set(std::vector<std::string> names) {
    MutexLock guard(mLock);
    mNames.swap(names);
}

std::string ModeNameTable::nameAt(int index) const {
    MutexLock guard(mLock);
    if (index < 0 || static_cast<std::size_t>(index) >= mNames.size()) {
        return kUnknownModeName;
    }
    return mNames[static_cast<std::size_t>(index)];
}

std::size_t ModeNameTable::size() const {
    MutexLock guard(mLock);
    return mNames.size();
}

std::vector<std::string> ModeNameTable::names() const {
    MutexLock guard(mLock);
    return mNames;
}
