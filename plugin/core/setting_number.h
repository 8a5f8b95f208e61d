// How a settings value is read as a number, as atoi reads it, shared by the
// module's settings and by qxsim's check of a scenario's `setting` steps so
// that both read a value alike. Any thread.
#pragma once

#include <cctype>
#include <string>

// What atoi reads of a value (optional blanks, sign and digits) as the file
// has it: the sign and the digits, or an empty text when there are none.
inline std::string leadingNumber(const std::string& text) {
    std::string::size_type start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    std::string::size_type end = start;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) {
        ++end;
    }
    const std::string::size_type digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
        ++end;
    }
    return end == digits ? std::string() : text.substr(start, end - start);
}

// True for an optional sign and decimal digits, nothing else: "0x9C40",
// "1e5" and "12abc" read as 0, 1 and 12, which is not what they say.
inline bool isDecimalNumber(const std::string& text) {
    const std::string::size_type digits = !text.empty() && (text[0] == '+' || text[0] == '-');
    if (digits == text.size()) {
        return false;
    }
    for (std::string::size_type i = digits; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}
