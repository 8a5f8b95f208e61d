// The module's passes as the stand-ins see them.

#include "pass_watch.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace qxsim {
namespace {

Vec3 vec(const AcGePoint3d& p) {
    return {p.x, p.y, p.z};
}
Vec3 vec(const AcGeVector3d& v) {
    return {v.x, v.y, v.z};
}

// The host's variable names are case-blind (and ASCII).
bool sameName(std::wstring_view name, std::string_view lower) {
    return name.size() == lower.size() &&
           std::equal(name.begin(), name.end(), lower.begin(), [](wchar_t c, char l) {
               return (c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c) == static_cast<wchar_t>(l);
           });
}

}  // namespace

PassWatch::PassWatch(MotionCourse::Listener listener, bool keepLines)
    : mCourse(*this, std::move(listener)), mKeepLines(keepLines) {}

PassWatch::~PassWatch() {
    stop();
}

void PassWatch::start() {
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();
    arxsim::setVarReadObserver(&PassWatch::onVarRead, this);
    mWatching = true;
}

void PassWatch::stop() {
    if (!mWatching) {
        return;
    }
    arxsim::setVarReadObserver(nullptr, nullptr);
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    mWatching = false;
}

void PassWatch::onVarRead(void* context, std::wstring_view name) {
    auto* watch = static_cast<PassWatch*>(context);
    if (sameName(name, "tilemode")) {
        // What the pass before did is written by now.
        watch->take();
        watch->mCourse.passBegins(win32sim::nowMs());
    } else if (sameName(name, "cvport")) {
        // The module reads its cap right after: what fell due has reached it.
        watch->mCourse.capRead(qxdaemon::lastMotionRead());
    }
}

void PassWatch::watchWindow(int id) {
    if (std::find(mWindows.begin(), mWindows.end(), id) == mWindows.end()) {
        mWindows.push_back(id);
    }
}

void PassWatch::take() {
    std::vector<std::string> lines = transcript::takeCaptured();
    for (const std::string& line : lines) {
        mCourse.read(line);
    }
    if (mKeepLines) {
        mKept.insert(mKept.end(), std::make_move_iterator(lines.begin()),
                     std::make_move_iterator(lines.end()));
    }
}

std::vector<std::string> PassWatch::drain() {
    take();
    return std::exchange(mKept, {});
}

void PassWatch::settle() {
    if (mWatching) {
        take();
        mCourse.settle();
    }
}

void PassWatch::finish() {
    settle();
    mCourse.finish();
}

bool inPaperSpace() {
    return arxsim::tilemode() == 0 && arxsim::cvport() == 1;
}

Camera viewportCamera(int vp) {
    const arxdrawing::ViewParams view = arxdrawing::gsView(vp).value_or(arxdrawing::storedView(vp));
    return {vec(view.position), vec(view.target), vec(view.up),
            view.width,         view.height,      view.perspective};
}

Camera PassWatch::modelView() const {
    return viewportCamera(arxsim::cvport() == 1 ? arxdrawing::kModelViewport : arxsim::cvport());
}

PaperState PassWatch::paperView() const {
    const arxdrawing::PaperView paper = arxdrawing::paperView();
    return {paper.centerX, paper.centerY, paper.viewHeight};
}

bool PassWatch::paperSpace() const {
    return inPaperSpace();
}

// An entity's centre as the module takes it: the middle of its extents.
std::optional<Vec3> PassWatch::entityCentre(int id) const {
    if (id < 0 || id >= arxdrawing::entityCount()) {
        return std::nullopt;
    }
    const arxdrawing::EntityInfo info = arxdrawing::entity(id);
    return info.kind == arxdrawing::EntityKind::Line ? 0.5 * (vec(info.start) + vec(info.end))
                                                     : vec(info.start);
}

std::optional<Vec3> PassWatch::selectionCentre() const {
    Vec3 sum;
    int count = 0;
    for (int id : arxdrawing::pickfirst()) {
        if (const std::optional<Vec3> centre = entityCentre(id)) {
            sum = sum + *centre;
            ++count;
        }
    }
    return count > 0 ? std::optional<Vec3>((1.0 / count) * sum) : std::nullopt;
}

long long PassWatch::listLines() const {
    long long lines = 0;
    for (int id : mWindows) {
        if (const auto bar = win32sim::scrollBarState(id, SB_VERT)) {
            lines += bar->pos;
        }
    }
    return lines;
}

}  // namespace qxsim
