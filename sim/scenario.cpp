// Scenario parser: splits a line into words, matches them against the step
// table and converts the values. Every error names the file, the line, what
// was expected and what was found.

#include "scenario.h"

#include "form_matcher.h"
#include "scenario_grammar.h"
#include "scenario_tokens.h"

namespace qxsim {
namespace {

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

// The message as a terminal shows it harmlessly: a byte outside printable
// ASCII (a control character, an escape sequence's ESC, a part of a UTF-8
// character) is written as \xNN.
std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f) {
            out += c;
        } else {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        }
    }
    return out;
}

// A word of the line echoed in a message: printable and at most 40 bytes of
// it, so that a runaway line does not flood the terminal.
std::string echoed(std::string_view word) {
    constexpr std::size_t kMaxEchoed = 40;
    return word.size() <= kMaxEchoed ? std::string(word)
                                     : std::string(word.substr(0, kMaxEchoed)) + "...";
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

std::optional<Step> parseLine(std::string_view text, const std::string& file, int line,
                              std::optional<ScenarioError>& error) {
    auto failWith = [&](std::string message) -> std::optional<Step> {
        error = ScenarioError{file, line, printable(message)};
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
    FormMatch best;
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
        FormMatch attempt = matchForm(desc, tokens, std::move(step));
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
        return failWith("unknown step '" + echoed(name) + "', expected one of: " + stepNames());
    }
    if (otherForms.find(" or ") != std::string::npos) {
        best.error += "; the step's forms: " + otherForms;
    }
    return failWith(best.error);
}

ParseResult parseScenario(std::string_view text, const std::string& file) {
    ParseResult result;
    int line = 0;
    std::vector<std::string> comments;
    while (!text.empty() || line == 0) {
        ++line;
        std::size_t eol = text.find('\n');
        std::string_view current = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (current.size() > kMaxScenarioLineBytes) {
            result.error =
                ScenarioError{file, line,
                              "a line of at most " + std::to_string(kMaxScenarioLineBytes) +
                                  " bytes, found " + std::to_string(current.size())};
            return result;
        }
        // An indented comment goes on the comment of the step above it.
        if (current.substr(0, 1) == "#") {
            const std::size_t end = current.find_last_not_of(" \t\r");
            comments.emplace_back(current.substr(0, end + 1));
        }
        std::optional<Step> step = parseLine(current, file, line, result.error);
        if (result.error) {
            return result;
        }
        if (step) {
            step->comments = std::move(comments);
            comments.clear();
            result.steps.push_back(std::move(*step));
        }
        if (eol == std::string_view::npos) {
            break;
        }
    }
    return result;
}

}  // namespace qxsim
