// The words of one scenario line: split at blanks, '#' ends the line,
// "double quotes" keep blanks and know \" and \\. Pure; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qxsim {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits `line` into `tokens`. Returns false with a message for an
// unterminated quote.
bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error);

// The tokens joined by one blank, quoted ones quoted again.
std::string stepText(const std::vector<Token>& tokens);

}  // namespace qxsim
