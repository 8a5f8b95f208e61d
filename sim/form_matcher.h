// Matching the words of one scenario line against one form of a step in the
// step table: positional values first, then keyword groups in any order.
// Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scenario.h"
#include "scenario_grammar.h"
#include "scenario_tokens.h"

namespace qxsim {

// The outcome of matching a line against one form of its step.
struct FormMatch {
    std::optional<Step> step;
    std::string error;
    std::size_t progress = 0;  // tokens accepted before the error
};

// Fills `step`'s values from `tokens` (the step word first) as the form
// `desc` reads them. On a mismatch the attempt holds the message and how far
// the words matched, so that of several forms the closest one is reported.
FormMatch matchForm(const StepDescription& desc, const std::vector<Token>& tokens, Step step);

}  // namespace qxsim
