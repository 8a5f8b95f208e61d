// The reference of scenario steps that `qxsim --steps` prints: each form of
// each step from the step table, with what it does, its values' units and
// ranges, and an example line. Pure; any thread.
#pragma once

#include <string>
#include <string_view>

namespace qxsim {

// The example line of the step form whose usage is `usage`, empty when the
// reference has none.
std::string_view stepExample(std::string_view usage);

// The whole reference as text.
std::string stepReference();

}  // namespace qxsim
