// The step form matcher: checks the count, the types and the ranges of a
// line's values against the step table, with a message that names what was
// expected and what was found.

#include "form_matcher.h"

#include <cmath>

#include "number_literal.h"

namespace qxsim {
namespace {

class FormMatcher {
public:
    FormMatcher(const StepDescription& desc, const std::vector<Token>& tokens)
        : mStep(desc), mTokens(tokens), mUsage(usageOf(desc)) {}

    FormMatch match(Step step) {
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
        FormMatch done;
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
            case ArgType::Key:
                if (const std::optional<std::int32_t> code = keyCode(token.text)) {
                    numbers.push_back(*code);
                    return true;
                }
                [[fallthrough]];
            case ArgType::Number:
            case ArgType::Integer: {
                std::optional<double> value = parseNumber(token.text);
                if (!value && arg.type == ArgType::Key) {
                    mError = "unknown key '" + token.text + "', expected a code or one of " +
                             keyNames() + " (expected: " + mUsage + ")";
                    return false;
                }
                if (!value) {
                    mError = "bad number '" + token.text + "' for " + label +
                             " (expected: " + mUsage + ")";
                    return false;
                }
                if (arg.type != ArgType::Number) {
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

    FormMatch fail(std::string message, std::size_t progress) const {
        FormMatch attempt;
        attempt.error = std::move(message);
        attempt.progress = progress;
        return attempt;
    }

    const StepDescription& mStep;
    const std::vector<Token>& mTokens;
    std::string mUsage;
    std::string mError;
};

}  // namespace

FormMatch matchForm(const StepDescription& desc, const std::vector<Token>& tokens, Step step) {
    return FormMatcher(desc, tokens).match(std::move(step));
}

}  // namespace qxsim
