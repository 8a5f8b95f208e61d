// Plays a scenario's world-building steps on the stand-ins without the module
// to find, before the session starts, what would stop it half-way.

#include "scenario_check.h"

#include <algorithm>

#include "arx_control.h"
#include "core/cnfg.h"
#include "core/device_codes.h"
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

// The codes the module acts on below the application keys: the daemon's
// notices, the standard views and zoom all.
bool isKnownCode(std::int64_t code) {
    return code == kEvRotSettings1 || code == kEvRotSettings2 || code == kEvSendModeAgain ||
           (code >= kEvSpecialFirst && code <= kEvSpecialLast) ||
           (code >= kEvSpecial2First && code <= kEvSpecial2Last);
}

// How many macros the module's table gets from the menu file at `path`, read
// as the module reads it: the values of [MenuBar] with text after a "}".
int menuMacroCount(const std::string& path) {
    INT32 status = 0;
    Cnfg cnfg(path, status);
    if (status != Cnfg::kOk) {
        return 0;
    }
    cnfg.findSection("MenuBar");
    int count = 0;
    std::string key, value;
    while (cnfg.getNextParameter(key, value, true) == Cnfg::kOk) {
        const std::size_t brace = value.find('}');
        count += brace != std::string::npos && brace + 1 < value.size() ? 1 : 0;
    }
    return count;
}

class Checker {
public:
    Checker(std::uint64_t maxTimeMs, const std::string& settingsPath, const std::string& menuPath)
        : mMaxTimeMs(maxTimeMs), mSettings(settingsPath), mMenuPath(menuPath) {}

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

    std::vector<std::string>& warnings() { return mWarnings; }

private:
    std::string checkDevice(const Step& step) {
        if (mPreparing && reachesModule(step.kind)) {
            return beforeLoadMessage(step);
        }
        if (step.kind != StepKind::Key) {
            return {};
        }
        const std::int64_t code = step.integer(0);
        if (code < kFirstKeyCode || code > kLastKeyCode) {
            return "an event code from " + hex(kFirstKeyCode) + " to " + hex(kLastKeyCode) +
                   " (motion comes with 'cap'), found " + hex(code);
        }
        if (code < APPL_FUNC_START) {
            if (!isKnownCode(code)) {
                warn(step, "no key of the device sends " + hex(code) + ": the module ignores it");
            }
            return {};
        }
        // The module answers an application key beyond the menu's macros
        // with an ERR entry and sends nothing.
        if (!mMenuMacros) {
            mMenuMacros = menuMacroCount(mMenuPath);
        }
        const std::int64_t index = code - APPL_FUNC_START;
        if (index >= *mMenuMacros) {
            warn(step, "the menu file '" + mMenuPath + "' has " + std::to_string(*mMenuMacros) +
                           " macro(s), none for key " + hex(code) +
                           ": the module will log ERR \"keyEvent (" + std::to_string(index) +
                           "') too big (max. is " + std::to_string(*mMenuMacros - 1) +
                           ")!\" and send nothing");
        }
        return {};
    }

    std::string checkHost(const Step& step) {
        switch (step.kind) {
            case StepKind::Command:
                return mLoaded && isModuleCommand(step.words.at(0)) ? std::string()
                                                                    : noCommandMessage(step);
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
                return mLoaded
                           ? "'setting' expects an unloaded module; it is loaded (setting steps go "
                             "before the first wait, command or load, or after an unload)"
                           : mSettings.check(step.words.at(0), step.words.at(1));
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

    void warn(const Step& step, const std::string& text) {
        mWarnings.push_back(step.where() + ": '" + step.text + "': " + text);
    }

    std::uint64_t mMaxTimeMs;
    SettingsPreview mSettings;
    const std::string& mMenuPath;
    std::optional<int> mMenuMacros;  // read at the first application key
    std::vector<std::string> mWarnings;
    std::uint64_t mTimeMs = 0;
    bool mPreparing = true;
    bool mLoaded = false;
};

}  // namespace

ScenarioCheck checkScenario(const StepList& steps, std::uint64_t maxTimeMs,
                            const std::string& settingsPath, const std::string& menuPath) {
    resetStandIns();
    Checker checker(maxTimeMs, settingsPath, menuPath);
    ScenarioCheck result;
    for (const Step& step : steps) {
        if (std::string why = checker.check(step); !why.empty()) {
            result.error = ScenarioError{step.file, step.line, why};
            break;
        }
    }
    result.warnings.swap(checker.warnings());
    resetStandIns();
    return result;
}

}  // namespace qxsim
