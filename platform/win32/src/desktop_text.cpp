// Text conversion of the <windows.h> stand-in: MultiByteToWideChar and
// WideCharToMultiByte for the ANSI code page (Windows-1252, the code page of
// a Western European system) and UTF-8, and the helpers the other desktop
// files use.

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "desktop_detail.h"
#include "win32_control.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr UINT kCp1252 = 1252;

// Bytes 0x80..0x9F of Windows-1252 and the characters they stand for; the
// rest of the code page is Latin-1. Bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t fromCp1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

// The Windows-1252 byte of a character, or -1 when the code page lacks it.
int toCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

enum class Charset { kAnsi, kUtf8, kUnsupported };

Charset charsetOf(UINT codePage) {
    if (codePage == CP_ACP || codePage == kCp1252) {
        return Charset::kAnsi;
    }
    return codePage == CP_UTF8 ? Charset::kUtf8 : Charset::kUnsupported;
}

bool isScalar(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Appends `c` in UTF-8; a unit that is no character becomes U+FFFD, or
// gives false when `strict`.
bool appendUtf8(std::string& out, char32_t c, bool strict = false) {
    if (!isScalar(c)) {
        if (strict) {
            return false;
        }
        c = kReplacement;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return true;
}

// Decodes UTF-8; an invalid sequence becomes U+FFFD, or gives false when
// `strict`.
bool decodeUtf8(std::string_view text, bool strict, std::wstring& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = -1;
        char32_t c = 0;
        if (b < 0x80) {
            extra = 0;
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
        }
        bool ok = extra >= 0 && i + extra < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto cb = static_cast<unsigned char>(text[i + k]);
            if ((cb & 0xC0) != 0x80) {
                ok = false;
            } else {
                c = (c << 6) | (cb & 0x3F);
            }
        }
        static constexpr char32_t kMinOf[] = {0, 0x80, 0x800, 0x10000};
        if (!ok || c < kMinOf[extra] || !isScalar(c)) {
            if (strict) {
                return false;
            }
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return true;
}

// The units to convert: `length`, or up to and including the terminating
// zero for -1; nothing for a length the functions refuse.
template <class Char>
std::optional<std::size_t> unitsToConvert(const Char* text, int length) {
    if (text == nullptr || length == 0 || length < -1) {
        return std::nullopt;
    }
    if (length > 0) {
        return static_cast<std::size_t>(length);
    }
    std::size_t count = 0;
    while (text[count] != Char()) {
        ++count;
    }
    return count + 1;
}

// Hands the result over as both functions do: the size needed for a size of
// 0, nothing (0) when it does not fit.
template <class Char>
int deliver(const std::basic_string<Char>& out, Char* buffer, int size) {
    if (out.size() > 0x7fffffff) {
        return 0;
    }
    const int needed = static_cast<int>(out.size());
    if (size == 0) {
        return needed;
    }
    if (needed > size) {
        return 0;
    }
    out.copy(buffer, out.size());
    return needed;
}

}  // namespace

namespace win32sim {

std::string wideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        appendUtf8(out, static_cast<char32_t>(w));
    }
    return out;
}

}  // namespace win32sim

namespace win32sim::detail {

std::wstring ansiToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text) {
        out += static_cast<wchar_t>(fromCp1252(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace win32sim::detail

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    const Charset page = charsetOf(CodePage);
    const DWORD allowed =
        page == Charset::kUtf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
    const std::optional<std::size_t> count = unitsToConvert(lpMultiByteStr, cbMultiByte);
    if (page == Charset::kUnsupported || (dwFlags & ~allowed) != 0 || !count || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr)) {
        return 0;
    }
    const std::string_view bytes(lpMultiByteStr, *count);
    std::wstring out;
    if (page == Charset::kAnsi) {
        out = win32sim::detail::ansiToWide(bytes);  // every byte is a character
    } else if (!decodeUtf8(bytes, (dwFlags & MB_ERR_INVALID_CHARS) != 0, out)) {
        return 0;
    }
    return deliver(out, lpWideCharStr, cchWideChar);
}

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr,
                                          int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                          LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    const Charset page = charsetOf(CodePage);
    const bool utf8 = page == Charset::kUtf8;
    const DWORD allowed = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    const std::optional<std::size_t> count = unitsToConvert(lpWideCharStr, cchWideChar);
    if (page == Charset::kUnsupported || (dwFlags & ~allowed) != 0 || !count || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        (utf8 && (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr))) {
        return 0;
    }
    std::string out;
    bool usedDefault = false;
    const char fallback = lpDefaultChar != nullptr ? *lpDefaultChar : '?';
    for (std::size_t i = 0; i < *count; ++i) {
        const auto c = static_cast<char32_t>(lpWideCharStr[i]);
        if (utf8) {
            if (!appendUtf8(out, c, (dwFlags & WC_ERR_INVALID_CHARS) != 0)) {
                return 0;
            }
            continue;
        }
        const int byte = toCp1252(c);
        if (byte < 0) {
            out += fallback;
            usedDefault = true;
        } else {
            out += static_cast<char>(byte);
        }
    }
    if (lpUsedDefaultChar != nullptr) {
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    }
    return deliver(out, lpMultiByteStr, cbMultiByte);
}
