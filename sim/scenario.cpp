// Scenario parser: splits a line into words, matches them against the step
// table and converts the values. Every error names the file, the line, what
// was expected and what was found.

#include "scenario.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "scenario_grammar.h"

namespace qxsim {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

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

struct Attempt {
    std::optional<Step> step;
    std::string error;
    std::size_t progress = 0;  // tokens accepted before the error
};

class FormMatcher {
public:
    FormMatcher(const StepDescription& desc, const std::vector<Token>& tokens)
        : mStep(desc), mTokens(tokens), mUsage(usageOf(desc)) {}

    Attempt match(Step step) {
        std::size_t end = positionalEnd();
        std::size_t found = end - 1;
        // Surplus values of a step with keyword groups are reported as unknown keywords below.
        if (!countFits(mStep.args, found) && (found < mStep.args.size() || mStep.options.empty())) {
            return fail(countMessage(mStep.name, mStep.args, found), 1);
        }
        std::size_t pos = 1;
        for (const ArgDescription& arg : mStep.args) {
            std::size_t last = arg.repeat ? end : pos + 1;
            for (; pos < last; ++pos) {
                if (!take(arg, mTokens[pos], step.numbers, step.words)) {
                    return fail(mError, pos);
                }
            }
        }
        while (pos < mTokens.size()) {
            const Token& head = mTokens[pos];
            const OptionDescription* option = findOption(head);
            if (option == nullptr) {
                return fail(unexpected(head), pos);
            }
            std::string keyword(option->keyword);
            if (step.options.count(keyword) != 0) {
                return fail("'" + keyword + "' given twice (expected: " + mUsage + ")", pos);
            }
            StepOption& values = step.options[keyword];
            ++pos;
            std::size_t available = 0;
            while (pos + available < mTokens.size() && available < option->args.size() &&
                   findOption(mTokens[pos + available]) == nullptr) {
                ++available;
            }
            if (available < option->args.size()) {
                return fail(countMessage(option->keyword, option->args, available), pos);
            }
            for (const ArgDescription& arg : option->args) {
                if (!take(arg, mTokens[pos], values.numbers, values.words)) {
                    return fail(mError, pos);
                }
                ++pos;
            }
        }
        Attempt done;
        done.step = std::move(step);
        done.progress = mTokens.size();
        return done;
    }

private:
    // The positional values run up to the first option keyword.
    std::size_t positionalEnd() const {
        std::size_t i = 1;
        while (i < mTokens.size() && findOption(mTokens[i]) == nullptr) {
            ++i;
        }
        return i;
    }

    const OptionDescription* findOption(const Token& token) const {
        if (token.quoted) {
            return nullptr;
        }
        for (const OptionDescription& option : mStep.options) {
            if (option.keyword == token.text) {
                return &option;
            }
        }
        return nullptr;
    }

    static bool countFits(const std::vector<ArgDescription>& args, std::size_t found) {
        bool repeat = !args.empty() && args.back().repeat;
        return repeat ? found >= args.size() : found == args.size();
    }

    std::string countMessage(std::string_view what, const std::vector<ArgDescription>& args,
                             std::size_t found) const {
        bool repeat = !args.empty() && args.back().repeat;
        std::string text = "'" + std::string(what) + "' takes ";
        if (args.empty()) {
            text += "no values";
        } else {
            text += (repeat ? "at least " : "") + std::to_string(args.size()) +
                    (args.size() == 1 ? " value" : " values");
        }
        return text + ", found " + std::to_string(found) + " (expected: " + mUsage + ")";
    }

    std::string unexpected(const Token& token) const {
        if (mStep.options.empty()) {
            return "unexpected '" + token.text + "' (expected: " + mUsage + ")";
        }
        std::string keywords;
        for (const OptionDescription& option : mStep.options) {
            keywords += (keywords.empty() ? "" : "|") + std::string(option.keyword);
        }
        return "unknown keyword '" + token.text + "', expected " + keywords +
               " (expected: " + mUsage + ")";
    }

    bool take(const ArgDescription& arg, const Token& token, std::vector<double>& numbers,
              std::vector<std::string>& words) {
        const std::string label(arg.label);
        switch (arg.type) {
            case ArgType::Word:
                words.push_back(token.text);
                return true;
            case ArgType::Keyword: {
                std::string_view rest = arg.label;
                while (true) {
                    std::size_t bar = rest.find('|');
                    if (rest.substr(0, bar) == token.text) {
                        words.push_back(token.text);
                        return true;
                    }
                    if (bar == std::string_view::npos) {
                        break;
                    }
                    rest.remove_prefix(bar + 1);
                }
                mError = "unknown keyword '" + token.text + "', expected " + label +
                         " (expected: " + mUsage + ")";
                return false;
            }
            case ArgType::Number:
            case ArgType::Integer: {
                std::optional<double> value = parseNumber(token.text);
                if (!value) {
                    mError = "bad number '" + token.text + "' for " + label +
                             " (expected: " + mUsage + ")";
                    return false;
                }
                if (arg.type == ArgType::Integer) {
                    if (std::trunc(*value) != *value) {
                        mError = label + " must be a whole number, found '" + token.text + "'";
                        return false;
                    }
                    if (*value < arg.lo || *value > arg.hi) {
                        mError = label + " must lie within " + wholeText(arg.lo) + ".." +
                                 wholeText(arg.hi) + ", found '" + token.text + "'";
                        return false;
                    }
                }
                numbers.push_back(*value);
                return true;
            }
        }
        return false;
    }

    static std::string wholeText(double value) {
        return std::to_string(static_cast<long long>(value));
    }

    Attempt fail(std::string message, std::size_t progress) const {
        Attempt attempt;
        attempt.error = std::move(message);
        attempt.progress = progress;
        return attempt;
    }

    const StepDescription& mStep;
    const std::vector<Token>& mTokens;
    std::string mUsage;
    std::string mError;
};

// The tokens joined by one blank, quoted ones quoted again.
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

// "daemon, devices, ..." in table order, each name once.
std::string stepNames() {
    std::string names;
    std::string_view previous;
    for (const StepDescription& desc : stepDescriptions()) {
        if (desc.name != previous) {
            names += (names.empty() ? "" : ", ") + std::string(desc.name);
            previous = desc.name;
        }
    }
    return names;
}

}  // namespace

const StepOption* Step::option(const std::string& keyword) const {
    auto it = options.find(keyword);
    return it == options.end() ? nullptr : &it->second;
}

std::string Step::where() const {
    return file + ":" + std::to_string(line);
}

std::string ScenarioError::text() const {
    return file + ":" + std::to_string(line) + ": " + message;
}

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

std::optional<Step> parseLine(std::string_view text, const std::string& file, int line,
                              std::optional<ScenarioError>& error) {
    auto failWith = [&](std::string message) -> std::optional<Step> {
        error = ScenarioError{file, line, std::move(message)};
        return std::nullopt;
    };
    std::vector<Token> tokens;
    std::string tokenError;
    if (!tokenize(text, tokens, tokenError)) {
        return failWith(tokenError);
    }
    if (tokens.empty()) {
        return std::nullopt;
    }
    const std::string& name = tokens[0].text;
    Attempt best;
    bool known = false;
    std::string otherForms;
    for (const StepDescription& desc : stepDescriptions()) {
        if (desc.name != name || tokens[0].quoted) {
            continue;
        }
        Step step;
        step.kind = desc.kind;
        step.name = name;
        step.text = stepText(tokens);
        step.file = file;
        step.line = line;
        Attempt attempt = FormMatcher(desc, tokens).match(std::move(step));
        if (attempt.step) {
            return attempt.step;
        }
        if (!known || attempt.progress > best.progress) {
            best = std::move(attempt);
        }
        otherForms += (known ? " or " : "") + usageOf(desc);
        known = true;
    }
    if (!known) {
        return failWith("unknown step '" + name + "', expected one of: " + stepNames());
    }
    if (otherForms.find(" or ") != std::string::npos) {
        best.error += "; the step's forms: " + otherForms;
    }
    return failWith(best.error);
}

ParseResult parseScenario(std::string_view text, const std::string& file) {
    ParseResult result;
    int line = 0;
    while (!text.empty() || line == 0) {
        ++line;
        std::size_t eol = text.find('\n');
        std::string_view current = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        std::optional<Step> step = parseLine(current, file, line, result.error);
        if (result.error) {
            return result;
        }
        if (step) {
            result.steps.push_back(std::move(*step));
        }
        if (eol == std::string_view::npos) {
            break;
        }
    }
    return result;
}

}  // namespace qxsim
