// Reading numbers in C syntax with the C library's own conversions.

#include "number_literal.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace qxsim {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isIntegerLiteral(std::string_view t) {
    std::size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    if (t.size() > i + 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        for (std::size_t k = i + 2; k < t.size(); ++k) {
            if (!isHexDigit(t[k])) {
                return false;
            }
        }
        return true;
    }
    if (t.size() == i) {
        return false;
    }
    for (std::size_t k = i; k < t.size(); ++k) {
        if (t[k] < '0' || t[k] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<double> parseNumber(std::string_view token, bool* isInteger) {
    std::string text(token);
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    if (isIntegerLiteral(text)) {
        errno = 0;
        long long value = std::strtoll(text.c_str(), &end, 0);
        if (*end != '\0') {
            return std::nullopt;  // e.g. "09": not a valid octal literal
        }
        if (isInteger != nullptr) {
            *isInteger = true;
        }
        if (errno == ERANGE) {
            return std::strtod(text.c_str(), nullptr);
        }
        return static_cast<double>(value);
    }
    // Words such as "inf" and "nan" are not C literals.
    std::size_t first = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (first >= text.size() ||
        !((text[first] >= '0' && text[first] <= '9') || text[first] == '.')) {
        return std::nullopt;
    }
    errno = 0;
    double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    if (isInteger != nullptr) {
        *isInteger = false;
    }
    return value;
}

}  // namespace qxsim
