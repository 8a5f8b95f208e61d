// Device steps: what the simulated driver daemon does or sends.

#include "player.h"
#include "qxv_ctrlr_control.h"

namespace qxsim {
namespace {

constexpr std::size_t kZoomAllSwitchByte = 138;

short axis(const Step& step, std::size_t i) {
    return static_cast<short>(step.integer(i));
}

}  // namespace

void runDeviceStep(const Step& step) {
    switch (step.kind) {
        case StepKind::Daemon:
            qxdaemon::setUp(step.words.at(0) == "up");
            break;
        case StepKind::Devices:
            qxdaemon::setDevices(step.words);
            break;
        case StepKind::Rotation: {
            // Without "zoomall" the switch keeps its value.
            bool zoomAll = qxdaemon::advancedSettings().at(kZoomAllSwitchByte) != 0;
            if (const StepOption* option = step.option("zoomall")) {
                zoomAll = option->words.at(0) == "on";
            }
            qxdaemon::setRotation(static_cast<std::int32_t>(step.integer(0)), zoomAll);
            qxdaemon::sendEvent(qxdaemon::kSettingsChangedEvent);
            break;
        }
        case StepKind::Modes:
            qxdaemon::setModesAccepted(step.words.at(0) == "accept");
            break;
        case StepKind::Cap:
            qxdaemon::sendMotion(axis(step, 0), axis(step, 1), axis(step, 2), axis(step, 3),
                                 axis(step, 4), axis(step, 5));
            break;
        case StepKind::Release:
            qxdaemon::sendMotion(0, 0, 0, 0, 0, 0);
            break;
        case StepKind::Key:
            qxdaemon::sendEvent(static_cast<int>(step.integer(0)));
            break;
        default:
            break;
    }
}

}  // namespace qxsim
