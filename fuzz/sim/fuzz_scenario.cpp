// Feeds arbitrary text to the scenario parser. Besides not crashing, the
// parser must keep its promises: an error names a line of the text, steps
// come in line order, and a step's values fit its kind.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scenario.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    qxsim::ParseResult result = qxsim::parseScenario(std::string(text), "fuzz.qxs");
    int lines = 1;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    int previous = 0;
    for (const qxsim::Step& step : result.steps) {
        check(step.line > previous && step.line <= lines);
        previous = step.line;
        for (double value : step.numbers) {
            check(std::isfinite(value));
        }
        if (step.kind == qxsim::StepKind::Cap) {
            check(step.numbers.size() == 6);
            for (double value : step.numbers) {
                check(value >= -32768 && value <= 32767 && std::trunc(value) == value);
            }
        }
        if (step.kind == qxsim::StepKind::Wait) {
            check(step.numbers.size() == 1 && step.numbers[0] >= 0);
        }
    }
    if (result.error) {
        check(result.error->line > previous && result.error->line <= lines);
        check(!result.error->message.empty());
    }
    return 0;
}
