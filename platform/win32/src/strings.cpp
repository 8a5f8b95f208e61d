// The module's string table behind LoadStringW, filled through the control
// API by the host simulation.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include <windows.h>

#include "win32_control.h"

namespace {

struct StringTable {
    std::mutex lock;
    std::map<unsigned int, std::wstring> texts;
};

StringTable& stringTable() {
    static auto* table = new StringTable;
    return *table;
}

}  // namespace

namespace win32sim {

void setString(unsigned int id, const std::wstring& text) {
    StringTable& t = stringTable();
    std::lock_guard<std::mutex> guard(t.lock);
    t.texts[id] = text;
}

void clearStrings() {
    StringTable& t = stringTable();
    std::lock_guard<std::mutex> guard(t.lock);
    t.texts.clear();
}

}  // namespace win32sim

extern "C" int WINAPI LoadStringW(HINSTANCE, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (lpBuffer == nullptr || cchBufferMax < 0) {
        return 0;
    }
    StringTable& t = stringTable();
    std::lock_guard<std::mutex> guard(t.lock);
    const auto found = t.texts.find(uID);
    if (cchBufferMax == 0) {
        // The caller receives a read-only pointer into the table.
        if (found == t.texts.end()) {
            return 0;
        }
        *reinterpret_cast<LPCWSTR*>(lpBuffer) = found->second.c_str();
        return static_cast<int>(found->second.size());
    }
    if (found == t.texts.end()) {
        lpBuffer[0] = L'\0';
        return 0;
    }
    const int count = std::min(static_cast<int>(found->second.size()), cchBufferMax - 1);
    std::copy_n(found->second.c_str(), count, lpBuffer);
    lpBuffer[count] = L'\0';
    return count;
}
