// Command-line output and system variables of the host.
#include <cstdarg>
#include <cwchar>
#include <mutex>
#include <vector>

#include "host_state.h"
#include "transcript.h"

using arxsim::detail::host;
using arxsim::detail::HostState;
using arxsim::detail::sameName;

namespace {

// Longest text one acutPrintf call prints; longer output is cut.
constexpr std::size_t kMaxPrintChars = 1 << 20;

// Formats like vswprintf into a growing buffer; vswprintf reports a buffer
// too small only as -1, so the buffer doubles until the text fits.
std::wstring formatWide(const ACHAR* format, va_list args) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vswprintf(buf.data(), buf.size(), format, copy);
        va_end(copy);
        if (n >= 0) {
            return std::wstring(buf.data(), static_cast<std::size_t>(n));
        }
        if (buf.size() >= kMaxPrintChars) {
            // Too long, or a directive the C library rejects: print the format.
            return std::wstring(format).substr(0, kMaxPrintChars);
        }
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

int acutPrintf(const ACHAR* format, ...) {
    if (format == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    const std::wstring text = formatWide(format, args);
    va_end(args);

    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    h.printed.push_back(text);
    transcript::emit("print", transcript::Fields().str("text", arxsim::detail::toUtf8(text)));
    return static_cast<int>(text.size());
}

namespace {

void countVarReadLocked(HostState& h, std::wstring_view name) {
    for (auto& [known, count] : h.varReads) {
        if (sameName(known, name)) {
            ++count;
            return;
        }
    }
    h.varReads.emplace_back(name, 1);
}

}  // namespace

int acedGetVar(const ACHAR* sym, struct resbuf* result) {
    HostState& h = host();
    std::lock_guard lock(h.mutex);
    arxsim::detail::chargeHostCallLocked();
    if (sym == nullptr || result == nullptr) {
        return RTREJ;
    }
    countVarReadLocked(h, sym);
    if (h.current == nullptr) {
        return RTERROR;
    }
    int value = 0;
    if (sameName(sym, L"tilemode")) {
        value = h.tilemode;
    } else if (sameName(sym, L"cvport")) {
        value = h.cvport;
    } else {
        return RTREJ;
    }
    result->rbnext = nullptr;
    result->restype = RTSHORT;
    result->resval.rint = static_cast<short>(value);
    return RTNORM;
}
