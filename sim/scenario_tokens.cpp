// Splitting a scenario line into words and writing them back as one text.

#include "scenario_tokens.h"

namespace qxsim {

// Splits at blanks; '#' outside quotes ends the line; "..." keeps blanks and
// knows \" and \\.
bool tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f') {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        Token token;
        if (c == '"') {
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char q = line[i++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    q = line[i++];
                }
                token.text += q;
            }
            if (!closed) {
                error = "unterminated quote: expected a closing '\"'";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '#') {
                token.text += line[i++];
            }
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

std::string stepText(const std::vector<Token>& tokens) {
    std::string text;
    for (const Token& token : tokens) {
        if (!text.empty()) {
            text += ' ';
        }
        if (!token.quoted) {
            text += token.text;
            continue;
        }
        text += '"';
        for (char c : token.text) {
            if (c == '"' || c == '\\') {
                text += '\\';
            }
            text += c;
        }
        text += '"';
    }
    return text;
}

}  // namespace qxsim
