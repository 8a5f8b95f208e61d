// Motions measured pass by pass from the transcript's view, paper_view,
// entity and timer events and the world as each pass begins.

#include "motion_notes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qxsim {
namespace {

using Mat3 = std::array<std::array<double, 3>, 3>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kMinDegrees = 0.05;  // smaller turns are rounding, not motion
constexpr double kMinShare = 1e-3;    // of the field: smaller moves and zooms likewise
constexpr double kMinMove = 1e-3;     // drawing units an object moves at least
constexpr std::size_t kMaxMarksPerPass = 16;
constexpr double kRounding = 1e-12;  // of a view's size: a pass's amounts smaller are rounding

// The views navigation leaves behind, as the module documents them
// (docs/module.md): a step that would pass them stops there.
constexpr double kMinViewField = 1e-9;
constexpr double kMaxViewField = 1e12;
constexpr double kMaxViewCoordinate = 1e15;
constexpr double kAtLimit = 1e-9;  // relative: a field or coordinate this close is at its limit

// The numbers of `"key":[...]` or `"key":n` in a transcript line.
std::vector<double> numbersOf(const std::string& line, const std::string& key) {
    std::vector<double> values;
    std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return values;
    }
    at += key.size() + 3;
    const bool list = at < line.size() && line[at] == '[';
    const char* p = line.c_str() + at + (list ? 1 : 0);
    while (true) {
        char* end = nullptr;
        const double value = std::strtod(p, &end);
        if (end == p) {
            break;
        }
        values.push_back(value);
        if (!list || *end != ',') {
            break;
        }
        p = end + 1;
    }
    return values;
}

Vec3 vec(const std::vector<double>& v) {
    return v.size() >= 3 ? Vec3{v[0], v[1], v[2]} : Vec3{};
}

double length(Vec3 v) {
    return std::sqrt(dot(v, v));
}

std::string fixed(double value, int decimals = 1) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    // "-0.0" reads as a direction that is not there.
    if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') {
        s.erase(0, 1);
    }
    return s;
}

std::string point(Vec3 p) {
    return "(" + fixed(p.x) + ", " + fixed(p.y) + ", " + fixed(p.z) + ")";
}

ScreenFrame frameOf(const Camera& c) {
    ScreenFrame f;
    f.out = normalized(c.position - c.target);
    f.up = normalized(c.up - dot(c.up, f.out) * f.out);
    f.right = cross(f.up, f.out);
    return f;
}

Vec3 turn(const Mat3& m, Vec3 v) {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

double det(const Mat3& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Solves m x = b by Cramer's rule; m is well conditioned where it is used.
Vec3 solve(const Mat3& m, Vec3 b) {
    const double d = det(m);
    const double bv[3] = {b.x, b.y, b.z};
    double x[3];
    for (int col = 0; col < 3; ++col) {
        Mat3 c = m;
        for (int row = 0; row < 3; ++row) {
            c[row][col] = bv[row];
        }
        x[col] = det(c) / d;
    }
    return {x[0], x[1], x[2]};
}

// The turn of a rotation matrix, in degrees, and its axis.
double degreesOf(const Mat3& r, Vec3& axis) {
    // From the sine as well as the cosine: acos alone loses small turns in
    // rounding, which a pass's turn often is.
    const Vec3 twiceSine{r[2][1] - r[1][2], r[0][2] - r[2][0], r[1][0] - r[0][1]};
    axis = normalized(twiceSine);
    return std::atan2(length(twiceSine) / 2.0, (r[0][0] + r[1][1] + r[2][2] - 1.0) / 2.0) * 180.0 /
           kPi;
}

// A pass's amount that is rounding, not motion, of a view of `size` units
// (and one too large for a number, which no limit of a view lets through).
double rounded(double value, double size) {
    const bool tiny = std::fabs(value) <= kRounding * std::max(std::fabs(size), 1e-300);
    return tiny || !std::isfinite(value) ? 0.0 : value;
}

// "35.2 units left, 4.0 up": a move in the picture's terms; empty when too small.
std::string screenMove(double right, double up, double least, const char* leftWord,
                       const char* rightWord) {
    std::string text;
    if (std::fabs(right) > least) {
        text = fixed(std::fabs(right)) + " units " + (right > 0 ? rightWord : leftWord);
    }
    if (std::fabs(up) > least) {
        text +=
            (text.empty() ? fixed(std::fabs(up)) + " units " : ", " + fixed(std::fabs(up)) + " ") +
            (up > 0 ? "up" : "down");
    }
    return text;
}

// Two decimals below 1 and where one would read as no zoom at all (x1.0);
// two digits with an exponent where two decimals would read x0.00 (a zoom
// out to the view's limit).
std::string zoomText(double factor) {
    if (std::fabs(factor - 1.0) <= kMinShare) {
        return std::string();
    }
    const std::string one = fixed(factor, 1);
    const std::string two = fixed(factor, 2);
    if (two == "0.00") {
        char text[32];
        std::snprintf(text, sizeof text, "%.2g", factor);
        return "zoom x" + std::string(text);
    }
    return "zoom x" + (factor < 1 || one == "1.0" ? two : one);
}

void join(std::string& text, const std::string& part) {
    if (!part.empty()) {
        text += (text.empty() ? "" : "; ") + part;
    }
}

bool fieldAtLimit(double field) {
    return field <= kMinViewField * (1 + kAtLimit) || field >= kMaxViewField * (1 - kAtLimit);
}

bool coordinateAtLimit(double c) {
    return std::fabs(c) >= kMaxViewCoordinate * (1 - kAtLimit);
}

bool atLimit(const PaperState& p) {
    return fieldAtLimit(p.height) || coordinateAtLimit(p.centerX) || coordinateAtLimit(p.centerY);
}

bool atLimit(const Camera& c) {
    bool at = fieldAtLimit(c.width) || fieldAtLimit(c.height);
    for (const Vec3& p : {c.position, c.target}) {
        at = at || coordinateAtLimit(p.x) || coordinateAtLimit(p.y) || coordinateAtLimit(p.z);
    }
    return at;
}

// One 3D step: the turn that carries the old frame onto the new, the point
// it keeps (named when it is a known one), and what the turn does not
// explain: a pan in a parallel view, a camera move in a perspective one.
struct ViewStep {
    double degrees = 0.0;
    Vec3 axis;
    std::string centre;  // "the view's target (0.0, 0.0, 0.0)"
    double right = 0.0, up = 0.0, forward = 0.0;
    double zoom = 1.0;
};

ViewStep measureView(const Camera& before, const Camera& after,
                     const std::optional<Vec3>& selectionCentre) {
    ViewStep step;
    const ScreenFrame a = frameOf(before), b = frameOf(after);
    const double least = kMinShare * std::max(before.width, before.height);
    // r = B A^T.
    Mat3 r{};
    const Vec3 av[3] = {a.right, a.up, a.out}, bv[3] = {b.right, b.up, b.out};
    for (int i = 0; i < 3; ++i) {
        const double bi[3] = {bv[i].x, bv[i].y, bv[i].z}, ai[3] = {av[i].x, av[i].y, av[i].z};
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                r[row][col] += bi[row] * ai[col];
            }
        }
    }
    step.degrees = degreesOf(r, step.axis);
    Vec3 centre = before.target;
    if (step.degrees > kRounding * 180.0 && length(step.axis) > 0.5) {
        // The point the turn keeps in place: (I - r) c = p' - r p, with c's
        // part along the axis taken from the old target.
        const Vec3 axis = step.axis;
        Vec3 rhs = after.position - turn(r, before.position);
        rhs = rhs - dot(rhs, axis) * axis;
        Mat3 m{};
        const double ax[3] = {axis.x, axis.y, axis.z};
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                m[row][col] = (row == col ? 1.0 : 0.0) - r[row][col] + ax[row] * ax[col];
            }
        }
        centre = solve(m, rhs + dot(before.target, axis) * axis);
        // Every point of the axis stays: a known point on it names the turn.
        const auto onAxis = [&](Vec3 p) {
            const Vec3 off = p - centre;
            return length(off - dot(off, axis) * axis) <= least;
        };
        std::string name;
        const std::pair<const char*, std::optional<Vec3>> known[] = {
            {"the view's target ", before.target},
            {"the selection's centre ", selectionCentre},
            {"the world origin ", Vec3{}},
            {"the camera ", before.position}};
        for (const auto& [words, p] : known) {
            if (name.empty() && p && onAxis(*p)) {
                name = words;
                centre = *p;
            }
        }
        step.centre = name + point(centre);
    } else {
        step.degrees = 0.0;
    }
    const Vec3 moved = after.position - (centre + turn(r, before.position - centre));
    if (after.perspective) {
        step.right = dot(moved, b.right);
        step.up = dot(moved, b.up);
        step.forward = -dot(moved, b.out);
    } else {
        // The drawing moves on screen against the camera's move.
        step.right = -dot(moved, b.right);
        step.up = -dot(moved, b.up);
    }
    step.zoom = before.width / after.width;
    return step;
}

// A zoom factor; a field of zero or beyond numbers before gives none.
double factor(double value) {
    return std::isfinite(value) && value > 0.0 ? value : 1.0;
}

// Degrees about `axis`, signed against the motion's first turn (which the
// first call sets).
double signedTurn(double degrees, Vec3 axis, std::optional<Vec3>& first) {
    if (degrees == 0.0) {
        return 0.0;
    }
    if (!first) {
        first = axis;
    }
    return dot(axis, *first) < 0.0 ? -degrees : degrees;
}

std::string aroundWorldAxis(const std::optional<Vec3>& axis) {
    const char* const names[] = {"x", "y", "z"};
    std::string text;
    for (int i = 0; axis && i < 3; ++i) {
        if (std::fabs(i == 0 ? axis->x : i == 1 ? axis->y : axis->z) > 0.9999) {
            text += std::string(", around ") + names[i];
        }
    }
    return text;
}

}  // namespace

MotionCourse::MotionCourse(const WorldProbe& probe, Listener listener)
    : mProbe(probe), mListener(std::move(listener)) {}

void MotionCourse::setThreshold(long long setting) {
    // The module brings the setting into 0..32767 (docs/module.md).
    mThreshold = static_cast<int>(std::clamp(setting, 0LL, 32767LL));
}

void MotionCourse::passBegins(std::uint64_t nowMs) {
    endPass();
    Pass& pass = mPass.emplace();
    pass.t = nowMs;
    pass.tick = mTicks;
    pass.camera = mProbe.modelView();
    pass.paper = mProbe.paperView();
    pass.paperSpace = mProbe.paperSpace();
    pass.listLines = mProbe.listLines();
    pass.marks.swap(mPendingMarks);
}

void MotionCourse::capRead(const std::array<short, 6>& cap) {
    if (mPass && !mPass->capKnown) {
        mPass->cap = cap;
        mPass->capKnown = true;
    }
}

void MotionCourse::mark(const std::string& text) {
    // Marks wait for a pass of the module's; a few are enough to tell.
    std::vector<std::string>& marks = mPass ? mPass->marks : mPendingMarks;
    if (marks.size() < kMaxMarksPerPass) {
        marks.push_back(text);
    }
}

void MotionCourse::read(const std::string& line) {
    if (line.find("\"ev\":\"timer\"") != std::string::npos) {
        // A tick ends by arming the next: at 10 ms while the module moves,
        // at 100 ms at rest.
        const std::vector<double> ms = numbersOf(line, "ms");
        const auto interval = ms.empty() ? 0 : static_cast<std::uint64_t>(ms[0]);
        if (mInterval != 0 && interval != mInterval && mPass) {
            mPass->marks.push_back("timer every " + std::to_string(interval) + " ms");
        }
        mInterval = interval;
        ++mTicks;
        return;
    }
    if (!mPass) {
        return;  // not a pass's doing
    }
    if (line.find("\"ev\":\"view") != std::string::npos) {  // view and view_saved
        Camera c = mPass->cameraAfter.value_or(mPass->camera);
        c.position = vec(numbersOf(line, "position"));
        c.target = vec(numbersOf(line, "target"));
        c.up = vec(numbersOf(line, "up"));
        const std::vector<double> w = numbersOf(line, "width"), h = numbersOf(line, "height");
        c.width = w.empty() ? c.width : w[0];
        c.height = h.empty() ? c.height : h[0];
        c.perspective = line.find("\"perspective\":true") != std::string::npos;
        mPass->cameraAfter = c;
    } else if (line.find("\"ev\":\"paper_view\"") != std::string::npos) {
        const std::vector<double> centre = numbersOf(line, "center"), h = numbersOf(line, "height");
        if (centre.size() == 2 && h.size() == 1) {
            mPass->paperAfter = PaperState{centre[0], centre[1], h[0]};
        }
    } else if (line.find("\"ev\":\"entity\"") != std::string::npos) {
        const std::vector<double> id = numbersOf(line, "id"), step = numbersOf(line, "matrix");
        if (id.size() != 1 || step.size() != 16) {
            return;
        }
        std::vector<double>& total = mPass->moved[static_cast<int>(id[0])];
        if (total.empty()) {
            total = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        }
        std::vector<double> product(16, 0.0);
        for (int row = 0; row < 4; ++row) {
            for (int col = 0; col < 4; ++col) {
                for (int k = 0; k < 4; ++k) {
                    product[row * 4 + col] += step[row * 4 + k] * total[k * 4 + col];
                }
            }
        }
        total = product;
    }
}

void MotionCourse::settle() {
    endPass();
}

void MotionCourse::finish() {
    endPass();
    if (mMotion) {
        endMotion();
    }
    mPendingMarks.clear();
}

void MotionCourse::endMotion() {
    const int number = mMotion->number;
    const std::vector<std::string> told = notes(*mMotion);
    mMotion.reset();
    if (mListener.ends) {
        mListener.ends(number, told);
    }
}

void MotionCourse::endPass() {
    if (!mPass) {
        return;
    }
    const Pass pass = std::move(*mPass);
    mPass.reset();
    const bool still =
        std::all_of(pass.cap.begin(), pass.cap.end(), [](short v) { return v == 0; });
    if (!mMotion) {
        if (still) {
            return;  // at rest: no motion
        }
        Motion& motion = mMotion.emplace();
        motion.number = ++mMotions;
        motion.start = pass.t;
        motion.firstTick = pass.tick;
        motion.camera = pass.camera;
        motion.paper = pass.paper;
        motion.selectionCentre = mProbe.selectionCentre();
        mChart.clear(motion.number, pass.t);
        if (mListener.begins) {
            mListener.begins(motion.number);
        }
    }
    const PassRow row = measure(pass, *mMotion);
    mMotion->cameraNow = pass.cameraAfter.value_or(pass.camera);
    mChart.add(row);
    if (mListener.row) {
        mListener.row(row);
    }
    if (still) {
        endMotion();
    }
}

PassRow MotionCourse::measure(const Pass& pass, Motion& motion) {
    PassRow row;
    row.motion = motion.number;
    row.t = pass.t;
    row.since = pass.t - motion.start;
    row.tick = static_cast<int>(pass.tick - motion.firstTick) + 1;
    row.threshold = mThreshold;
    row.cap = pass.cap;
    auto& a = row.answers;
    a = noAnswer();
    if (pass.cameraAfter) {
        ViewStep step = measureView(pass.camera, *pass.cameraAfter, motion.selectionCentre);
        // Rounding grows with the numbers: the field's and the camera's.
        const double size = std::max({pass.camera.width, pass.camera.height,
                                      length(pass.camera.position), length(pass.camera.target)});
        step.degrees = rounded(step.degrees, 180.0);
        step.right = rounded(step.right, size);
        step.up = rounded(step.up, size);
        step.forward = rounded(step.forward, size);
        a[kOrbit] = signedTurn(step.degrees, step.axis, motion.orbitAxis);
        if (step.degrees > motion.largestTurn) {
            motion.largestTurn = step.degrees;
            motion.orbitCentre = step.centre;
        }
        a[pass.cameraAfter->perspective ? kCameraRight : kPanRight] = step.right;
        a[pass.cameraAfter->perspective ? kCameraUp : kPanUp] = step.up;
        a[kCameraForward] = step.forward;
        a[kZoom] = factor(step.zoom);
    }
    if (pass.paperAfter) {
        // The drawing moves on the sheet against the view's centre.
        const double size = std::max(
            {pass.paper.height, std::fabs(pass.paper.centerX), std::fabs(pass.paper.centerY)});
        a[kPaperPanRight] = rounded(pass.paper.centerX - pass.paperAfter->centerX, size);
        a[kPaperPanUp] = rounded(pass.paper.centerY - pass.paperAfter->centerY, size);
        a[kPaperZoom] = factor(pass.paper.height / pass.paperAfter->height);
    }
    if (!pass.moved.empty()) {
        // Object move moves every selected entity alike: their centre, and
        // where it was, the move undone: r^T (after - t).
        const std::vector<double>& m = pass.moved.begin()->second;
        Vec3 after;
        int count = 0;
        for (const auto& [id, total] : pass.moved) {
            if (std::find(motion.moved.begin(), motion.moved.end(), id) == motion.moved.end()) {
                motion.moved.push_back(id);
            }
            if (const std::optional<Vec3> c = mProbe.entityCentre(id)) {
                after = after + *c;
                ++count;
            }
        }
        after = count > 0 ? (1.0 / count) * after : Vec3{};
        const Vec3 shifted = after - Vec3{m[3], m[7], m[11]};
        const Vec3 before{m[0] * shifted.x + m[4] * shifted.y + m[8] * shifted.z,
                          m[1] * shifted.x + m[5] * shifted.y + m[9] * shifted.z,
                          m[2] * shifted.x + m[6] * shifted.y + m[10] * shifted.z};
        const double size = 1.0 + length(after);
        a[kMoveX] = rounded(after.x - before.x, size);
        a[kMoveY] = rounded(after.y - before.y, size);
        a[kMoveZ] = rounded(after.z - before.z, size);
        const Mat3 r{{{m[0], m[1], m[2]}, {m[4], m[5], m[6]}, {m[8], m[9], m[10]}}};
        Vec3 axis;
        const double degrees = degreesOf(r, axis);
        a[kTurn] =
            signedTurn(length(axis) > 0.5 ? rounded(degrees, 180.0) : 0.0, axis, motion.turnAxis);
    }
    a[kScroll] = static_cast<double>(mProbe.listLines() - pass.listLines);
    row.marks = pass.marks;
    const bool deflected = std::any_of(pass.cap.begin(), pass.cap.end(),
                                       [this](short v) { return std::abs(int{v}) > mThreshold; });
    const bool still =
        std::all_of(pass.cap.begin(), pass.cap.end(), [](short v) { return v == 0; });
    if (still) {
        row.marks.push_back("release");
    } else if (!deflected) {
        row.marks.push_back("within minThreshold " + std::to_string(mThreshold));
    }
    // A step the module held at the view's limits: the view it left is at
    // them (a step that changes nothing is not even drawn).
    if (deflected && (pass.paperSpace ? atLimit(pass.paperAfter.value_or(pass.paper))
                                      : atLimit(pass.cameraAfter.value_or(pass.camera)))) {
        row.marks.push_back("held at the view's limits");
    }
    return row;
}

std::vector<std::string> MotionCourse::notes(const Motion& motion) const {
    std::vector<std::string> told;
    const auto& total = mChart.totals();  // the chart has every row of the motion
    // Model view: the turn, then the camera's move or the pan, then the zoom.
    const double least = kMinShare * std::max(motion.camera.width, motion.camera.height);
    std::string text;
    if (std::fabs(total[kOrbit]) > kMinDegrees) {
        text = "orbit " + fixed(std::fabs(total[kOrbit])) + " deg about " + motion.orbitCentre +
               aroundWorldAxis(motion.orbitAxis);
    }
    const double forward = total[kCameraForward];
    std::string move = std::fabs(forward) > least ? fixed(std::fabs(forward)) + " units " +
                                                        (forward > 0 ? "forward" : "back")
                                                  : std::string();
    const std::string walk = screenMove(total[kCameraRight], 0.0, least, "left", "right");
    if (!walk.empty()) {
        move += (move.empty() ? "" : ", ") + walk;
    }
    // The camera's up is the world's only in a level view: the part along it
    // is named as the camera's, and whether the height stayed.
    if (const double up = total[kCameraUp]; std::fabs(up) > least) {
        const double rise = motion.cameraNow.position.z - motion.camera.position.z;
        move += (move.empty() ? fixed(std::fabs(up)) + " units" : ", " + fixed(std::fabs(up))) +
                (up > 0 ? " along" : " against") + " the camera's up" +
                (std::fabs(rise) <= least ? ", height unchanged" : "");
    }
    join(text, move.empty() ? std::string() : "camera moved " + move);
    const std::string pan = screenMove(total[kPanRight], total[kPanUp], least, "left", "right");
    join(text, pan.empty() ? std::string() : "pan " + pan);
    join(text, zoomText(total[kZoom]));
    if (!text.empty()) {
        told.push_back(text);
    }
    // Paper space.
    text.clear();
    const std::string paperPan = screenMove(total[kPaperPanRight], total[kPaperPanUp],
                                            kMinShare * motion.paper.height, "left", "right");
    join(text, paperPan.empty() ? std::string() : "paper pan " + paperPan);
    const std::string paperZoom = zoomText(total[kPaperZoom]);
    join(text, paperZoom.empty() ? std::string() : "paper " + paperZoom);
    if (!text.empty()) {
        told.push_back(text);
    }
    // Object move.
    if (!motion.moved.empty()) {
        std::string ids;
        for (int id : motion.moved) {
            ids += (ids.empty() ? "" : " ") + std::to_string(id);
        }
        text = "entit" + std::string(motion.moved.size() == 1 ? "y " : "ies ") + ids;
        const Vec3 by{total[kMoveX], total[kMoveY], total[kMoveZ]};
        const bool moved = length(by) > kMinMove;
        if (moved) {
            text += " moved by " + point(by);
        }
        if (std::fabs(total[kTurn]) > kMinDegrees) {
            text += std::string(moved ? "," : "") + " turned " + fixed(std::fabs(total[kTurn])) +
                    " deg";
        }
        told.push_back(text);
    }
    return told;
}

}  // namespace qxsim
