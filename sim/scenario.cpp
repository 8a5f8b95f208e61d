// Scenario parser: splits a line into words, matches them against the step
// table and converts the values. Every error names the file, the line, what
// was expected and what was found.

#include "scenario.h"

#include <algorithm>
#include <cctype>

#include "form_matcher.h"
#include "scenario_grammar.h"
#include "scenario_tokens.h"

namespace qxsim {
namespace {

// The step names in table order, each once.
std::vector<std::string> stepNames() {
    std::vector<std::string> names;
    for (const StepDescription& desc : stepDescriptions()) {
        if (names.empty() || names.back() != desc.name) {
            names.emplace_back(desc.name);
        }
    }
    return names;
}

// Edits (a letter put in, left out, changed, or two swapped) from a to b,
// letters compared without case.
std::size_t editDistance(std::string_view a, std::string_view b) {
    const auto same = [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    };
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        for (std::size_t j = 0; j <= b.size(); ++j) {
            if (i == 0 || j == 0) {
                d[i][j] = i + j;
                continue;
            }
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
            if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
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

std::string didYouMean(std::string_view word, const std::vector<std::string>& names) {
    // A slip is one edit in a short word, two in a longer one, three in a long name.
    const std::size_t allowed = word.size() <= 4 ? 1 : word.size() <= 12 ? 2 : 3;
    std::string best;
    std::size_t bestDistance = allowed + 1;
    for (const std::string& name : names) {
        // A slip of case alone counts as the closest: letters are compared without it.
        const std::size_t distance = editDistance(word, name);
        if (word != name && distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best.empty() || word.size() > 64 ? std::string() : " (did you mean '" + best + "'?)";
}

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
        std::string names;
        for (const std::string& step : stepNames()) {
            names += (names.empty() ? "" : ", ") + step;
        }
        return failWith("unknown step '" + echoed(name) + "'" + didYouMean(name, stepNames()) +
                        ", expected one of: " + names);
    }
    if (otherForms.find(" or ") != std::string::npos) {
        best.error += "; the step's forms: " + otherForms;
    }
    return failWith(best.error);
}

Step StepList::operator[](std::size_t i) const {
    const Entry& entry = mEntries.at(i);
    const std::string_view text(mText);
    std::optional<ScenarioError> error;
    Step step = *parseLine(text.substr(entry.from, text.find('\n', entry.from) - entry.from), mFile,
                           static_cast<int>(entry.line), error);
    // The comment lines (written from the first column) after the step before.
    const std::size_t after = i == 0 ? 0 : text.find('\n', mEntries[i - 1].from) + 1;
    for (std::string_view lines = text.substr(after, entry.from - after); !lines.empty();) {
        const std::string_view line = lines.substr(0, lines.find('\n'));
        lines.remove_prefix(std::min(lines.size(), line.size() + 1));
        if (line.substr(0, 1) == "#") {
            step.comments.emplace_back(line.substr(0, line.find_last_not_of(" \t\r") + 1));
        }
    }
    return step;
}

ParseResult parseScenario(std::string text, const std::string& file) {
    ParseResult result;
    StepList& steps = result.steps;
    if (text.size() >= UINT32_MAX) {
        result.error = ScenarioError{file, 1, "a scenario of less than 4 GiB"};
        return result;
    }
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    steps.mText = std::move(text);
    steps.mFile = file;
    const std::string_view all(steps.mText);
    for (std::uint32_t from = 0, line = 1; from <= all.size(); ++line) {
        const std::size_t eol = std::min(all.find('\n', from), all.size());
        const std::string_view current = all.substr(from, eol - from);
        if (current.size() > kMaxScenarioLineBytes) {
            result.error =
                ScenarioError{file, static_cast<int>(line),
                              "a line of at most " + std::to_string(kMaxScenarioLineBytes) +
                                  " bytes, found " + std::to_string(current.size())};
            return result;
        }
        const std::optional<Step> step =
            parseLine(current, file, static_cast<int>(line), result.error);
        if (result.error) {
            return result;
        }
        if (step) {
            steps.mEntries.push_back({from, line, step->kind});
        }
        from = static_cast<std::uint32_t>(eol + 1);
    }
    return result;
}

}  // namespace qxsim
