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

// The host reads %s and %c of its wide format as ACHAR text, where the C
// library's wide printf reads narrow text: a directive without a length
// gets the wide one (%ls, %lc).
std::wstring hostDirectives(const ACHAR* format) {
    std::wstring out;
    for (const ACHAR* p = format; *p != 0; ++p) {
        out += *p;
        if (*p != L'%') {
            continue;
        }
        const ACHAR* start = p + 1;
        const ACHAR* q = start;
        while (*q != 0 && std::wcschr(L"-+ #0123456789.*", *q) != nullptr) {
            ++q;
        }
        out.append(start, q);
        if (*q == L's' || *q == L'c') {
            out += L'l';
        }
        if (*q == 0) {
            break;
        }
        out += *q;
        p = q;
    }
    return out;
}

// Formats like vswprintf into a growing buffer; vswprintf reports a buffer
// too small only as -1, so the buffer doubles until the text fits.
std::wstring formatWide(const ACHAR* hostFormat, va_list args) {
    const std::wstring converted = hostDirectives(hostFormat);
    const wchar_t* format = converted.c_str();
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
    arxsim::detail::throwIfArmedLocked(arxsim::Throwing::Print);
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
    // Each pass of the module's tick reads system variables: what fell due
    // meanwhile (a release, say) reaches the module's threads now, as it
    // would in real time, also in a tick that redraws nothing.
    win32sim::deliverDue();
    HostState& h = host();
    std::unique_lock lock(h.mutex);
    if (const arxsim::VarReadObserver observer = h.varObserver; observer && sym != nullptr) {
        void* const context = h.varObserverContext;
        lock.unlock();
        observer(context, sym);
        lock.lock();
    }
    arxsim::detail::chargeHostCallLocked();
    if (sym == nullptr || result == nullptr) {
        return RTERROR;
    }
    countVarReadLocked(h, sym);
    if (h.current == nullptr) {
        return RTERROR;
    }
    for (const auto& [name, answer] : h.varAnswers) {
        if (sameName(name, sym)) {
            *result = answer;
            return RTNORM;
        }
    }
    int value = 0;
    if (sameName(sym, L"tilemode")) {
        value = h.tilemode;
    } else if (sameName(sym, L"cvport")) {
        value = h.cvport;
    } else {
        return RTERROR;
    }
    result->rbnext = nullptr;
    result->restype = RTSHORT;
    result->resval.rint = static_cast<short>(value);
    return RTNORM;
}
