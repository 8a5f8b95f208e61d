// Numbers in C syntax, as scenario values are written. Pure; any thread.
#pragma once

#include <optional>
#include <string_view>

namespace qxsim {

// A number in C syntax: decimal, hexadecimal (0x..) or octal (0..) integers,
// and floating-point literals (1.5, -2e-3, 0x1p4). Infinities and NaN are
// refused. Sets `isInteger` for integer literals.
std::optional<double> parseNumber(std::string_view token, bool* isInteger = nullptr);

}  // namespace qxsim
