// Plays a scenario's world-building steps on the stand-ins without the module
// to find, before the session starts, what would stop it half-way.

#include "scenario_check.h"

#include <algorithm>

#include "arx_control.h"
#include "player.h"
#include "settings_step.h"
#include "setup_steps.h"

namespace qxsim {
namespace {

// Codes a `key` step may send: the daemon's notices and keys. Below them the
// protocol has motion, which comes with `cap`.
constexpr std::int64_t kFirstKeyCode = 0x20001;
constexpr std::int64_t kLastKeyCode = 0x2ffff;

std::string hex(std::int64_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string digits;
    std::uint64_t v = static_cast<std::uint64_t>(value < 0 ? -value : value);
    do {
        digits.insert(digits.begin(), kDigits[v % 16]);
        v /= 16;
    } while (v != 0);
    return (value < 0 ? "-0x" : "0x") + digits;
}

class Checker {
public:
    Checker(std::uint64_t maxTimeMs, const std::string& settingsPath)
        : mMaxTimeMs(maxTimeMs), mSettingsPath(settingsPath) {}

    // What is wrong with `step` played next, or an empty text.
    std::string check(const Step& step) {
        if (mPreparing && endsPreparation(step.kind)) {
            mPreparing = false;
            mLoaded = step.kind != StepKind::Load;
        }
        switch (sideOf(step.kind)) {
            case StepSide::Device:
                return checkDevice(step);
            case StepSide::Time:
                mTimeMs += static_cast<std::uint64_t>(step.integer(0));
                if (mTimeMs > mMaxTimeMs) {
                    return "waits that add up to at most " + std::to_string(mMaxTimeMs) +
                           " ms of virtual time (--max-time raises it), found " +
                           std::to_string(mTimeMs);
                }
                return {};
            case StepSide::Host:
                return checkHost(step);
            case StepSide::Drawing: {
                std::string error;
                return runDrawingStep(step, error) ? std::string() : error;
            }
            case StepSide::Desktop: {
                std::string error;
                return runDesktopStep(step, error) ? std::string() : error;
            }
        }
        return {};
    }

private:
    std::string checkDevice(const Step& step) const {
        if (mPreparing && reachesModule(step.kind)) {
            return beforeLoadMessage(step);
        }
        if (step.kind == StepKind::Key &&
            (step.integer(0) < kFirstKeyCode || step.integer(0) > kLastKeyCode)) {
            return "an event code from " + hex(kFirstKeyCode) + " to " + hex(kLastKeyCode) +
                   " (motion comes with 'cap'), found " + hex(step.integer(0));
        }
        return {};
    }

    std::string checkHost(const Step& step) {
        switch (step.kind) {
            case StepKind::Command:
                return mLoaded ? std::string() : noCommandMessage(step);
            case StepKind::Load:
                if (mLoaded) {
                    return "'load' expects an unloaded module; it is loaded";
                }
                mLoaded = true;
                return {};
            case StepKind::Unload:
                if (!mLoaded) {
                    return "'unload' expects a loaded module; it is not loaded";
                }
                mLoaded = false;
                return {};
            case StepKind::Setting:
                return mLoaded ? "'setting' expects an unloaded module; it is loaded"
                               : checkSettingKey(mSettingsPath, step.words.at(0));
            case StepKind::NoDocument:
                arxsim::closeDocument();
                return {};
            case StepKind::Document:
                if (!arxsim::hasDocument()) {
                    arxsim::openDocument();
                }
                return {};
            case StepKind::NewDocument:
                arxsim::newDocument();
                return {};
            case StepKind::CurrentDocument:
            case StepKind::CloseDocument: {
                const int number = static_cast<int>(step.integer(0));
                const std::vector<int> open = arxsim::openDocuments();
                if (std::find(open.begin(), open.end(), number) == open.end()) {
                    return notOpenMessage(step, number);
                }
                if (step.kind == StepKind::CurrentDocument) {
                    arxsim::activateDocument(number);
                } else {
                    arxsim::closeDocument(number);
                }
                return {};
            }
            default:
                return {};
        }
    }

    std::uint64_t mMaxTimeMs;
    const std::string& mSettingsPath;
    std::uint64_t mTimeMs = 0;
    bool mPreparing = true;
    bool mLoaded = false;
};

}  // namespace

std::optional<ScenarioError> checkScenario(const StepList& steps, std::uint64_t maxTimeMs,
                                           const std::string& settingsPath) {
    resetStandIns();
    Checker checker(maxTimeMs, settingsPath);
    std::optional<ScenarioError> error;
    for (const Step& step : steps) {
        if (std::string why = checker.check(step); !why.empty()) {
            error = ScenarioError{step.file, step.line, why};
            break;
        }
    }
    resetStandIns();
    return error;
}

}  // namespace qxsim
