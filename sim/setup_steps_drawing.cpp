// Steps of the drawing database: entities and layers, the model view, the
// paper-space viewport and the pickfirst selection, set up through the host
// stand-in's world control. Host's main thread.
#include <cmath>
#include <string>
#include <vector>

#include "arx_drawing_control.h"
#include "setup_steps.h"

namespace qxsim {
namespace {

std::string text(double value) {
    std::string s = std::to_string(value);
    // Trim "1.500000" to "1.5" for messages.
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.') {
        s.pop_back();
    }
    return s;
}

// The layer of a `line` or `circle` step: "0" unless `layer L` is given.
std::string layerOf(const Step& step) {
    const StepOption* option = step.option("layer");
    return option != nullptr && !option->words.empty() ? option->words.front() : "0";
}

AcGePoint3d pointAt(const Step& step, std::size_t first) {
    return AcGePoint3d(step.numbers.at(first), step.numbers.at(first + 1),
                       step.numbers.at(first + 2));
}

bool runCamera(const Step& step, std::string& error) {
    arxdrawing::ViewParams view;
    view.position = pointAt(step, 0);
    view.target = pointAt(step, 3);
    view.up = AcGeVector3d(step.numbers.at(6), step.numbers.at(7), step.numbers.at(8));
    view.width = step.numbers.at(9);
    view.height = step.numbers.at(10);
    view.perspective = step.words.at(0) == "perspective";
    const AcGeVector3d sight = view.position - view.target;
    if (sight.isZeroLength()) {
        error = "a camera apart from its target, found both at the same point";
        return false;
    }
    if (view.up.crossProduct(sight).isZeroLength()) {
        error = "an up vector across the line of sight, found one along it (or zero)";
        return false;
    }
    if (!(view.width > 0.0 && view.height > 0.0)) {
        error = "a field W x H above zero, found " + text(view.width) + " x " + text(view.height);
        return false;
    }
    arxdrawing::setModelView(arxdrawing::kModelViewport, view);
    return true;
}

bool runPaperView(const Step& step, std::string& error) {
    const arxdrawing::PaperView view{step.numbers.at(0), step.numbers.at(1), step.numbers.at(2),
                                     step.numbers.at(3), step.numbers.at(4)};
    if (!(view.viewHeight > 0.0 && view.width > 0.0 && view.height > 0.0)) {
        error = "VIEWHEIGHT, WIDTH and HEIGHT above zero, found " + text(view.viewHeight) + ", " +
                text(view.width) + ", " + text(view.height);
        return false;
    }
    arxdrawing::setPaperView(view);
    return true;
}

bool runSelect(const Step& step, std::string& error) {
    if (!step.words.empty()) {  // select none
        arxdrawing::setPickfirst({});
        return true;
    }
    const int count = arxdrawing::entityCount();
    std::vector<int> indices;
    for (std::size_t i = 0; i < step.numbers.size(); ++i) {
        const std::int64_t index = step.integer(i);
        if (index >= count) {
            error = "an entity number below " + std::to_string(count) + ", found " +
                    std::to_string(index);
            return false;
        }
        indices.push_back(static_cast<int>(index));
    }
    arxdrawing::setPickfirst(indices);
    return true;
}

}  // namespace

bool runDrawingStep(const Step& step, std::string& error) {
    switch (step.kind) {
        case StepKind::Drawing:
            arxdrawing::addSampleDrawing();
            return true;
        case StepKind::Line:
            arxdrawing::addLine(pointAt(step, 0), pointAt(step, 3), layerOf(step));
            return true;
        case StepKind::Circle:
            if (!(step.numbers.at(3) > 0.0)) {
                error = "a radius above zero, found " + text(step.numbers.at(3));
                return false;
            }
            arxdrawing::addCircle(pointAt(step, 0), step.numbers.at(3), layerOf(step));
            return true;
        case StepKind::Layer:
            arxdrawing::setLayerLocked(step.words.at(0), true);
            return true;
        case StepKind::View:
            return arxdrawing::setNamedView(arxdrawing::kModelViewport, step.words.at(0));
        case StepKind::Camera:
            return runCamera(step, error);
        case StepKind::PaperView:
            return runPaperView(step, error);
        case StepKind::Select:
            return runSelect(step, error);
        default:
            error = "a step of the drawing, found '" + step.name + "'";
            return false;
    }
}

}  // namespace qxsim
