// The table of scenario steps: for each step its words, its values and its
// trailing keyword groups. Used by the scenario parser and for usage texts.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario.h"

namespace qxsim {

enum class ArgType {
    Number,   // any finite number
    Integer,  // a whole number within [lo, hi]
    Word,     // any token (names)
    Keyword,  // one of the '|'-separated alternatives of the label
    Key,      // a device key: a name ("top", "menu2") or a code within [lo, hi]
};

struct ArgDescription {
    ArgType type;
    std::string_view label;  // placeholder ("TX") or alternatives ("up|down")
    bool repeat = false;     // one or more, up to the first option keyword
    double lo = -std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::max();
};

// A trailing group that starts with its keyword, in any order after the
// positional values, each at most once: "[layer L]".
struct OptionDescription {
    std::string_view keyword;
    std::vector<ArgDescription> args;
};

struct StepDescription {
    std::string_view name;
    StepKind kind;
    std::vector<ArgDescription> args;
    std::vector<OptionDescription> options;
};

// Every form of every step; a step with two forms ("select N...", "select
// none") has two entries, tried in order.
const std::vector<StepDescription>& stepDescriptions();

std::string usageOf(const StepDescription& desc);

// The code of a device key's name ("top", "zoomall", "menu1" for the first
// application key), or none for another word.
std::optional<std::int32_t> keyCode(std::string_view name);
// The name of a device key's code, or empty when it has none.
std::string keyName(std::int32_t code);
// "front, right, ..., menu1, menu2, ...": the names keyCode() knows.
std::string keyNames();

}  // namespace qxsim
