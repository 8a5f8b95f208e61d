// JSON text pieces of the transcript: escaped strings and shortest
// round-trip numbers. Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace transcript::detail {

// Appends `text` as a quoted JSON string.
void appendQuoted(std::string& out, std::string_view text);
// Appends the shortest text that reads back to `value`; JSON has no NaN or
// infinity, so those become null.
void appendNumber(std::string& out, double value);

}  // namespace transcript::detail
