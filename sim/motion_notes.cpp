// Motions described from the transcript's view, paper_view and entity events.

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
    const double cosine = std::clamp((r[0][0] + r[1][1] + r[2][2] - 1.0) / 2.0, -1.0, 1.0);
    axis = normalized({r[2][1] - r[1][2], r[0][2] - r[2][0], r[1][0] - r[0][1]});
    return std::acos(cosine) * 180.0 / kPi;
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

std::string zoomText(double factor) {
    return std::fabs(factor - 1.0) > kMinShare ? "zoom x" + fixed(factor, factor < 1 ? 2 : 1)
                                               : std::string();
}

void join(std::string& text, const std::string& part) {
    if (!part.empty()) {
        text += (text.empty() ? "" : "; ") + part;
    }
}

}  // namespace

std::string describeViewChange(const Camera& before, const Camera& after, const WorldState& world) {
    const ScreenFrame a = frameOf(before), b = frameOf(after);
    const double least = kMinShare * std::max(before.width, before.height);
    // The turn that carries the old frame onto the new: r = B A^T.
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
    Vec3 axis;
    const double degrees = degreesOf(r, axis);
    std::string text;
    Vec3 centre = before.target;
    if (degrees > kMinDegrees) {
        // The point the turn keeps in place: (I - r) c = p' - r p, with c's
        // part along the axis taken from the old target.
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
            {"the selection's centre ", world.selectionCentre},
            {"the world origin ", Vec3{}},
            {"the camera ", before.position}};
        for (const auto& [words, p] : known) {
            if (name.empty() && p && onAxis(*p)) {
                name = words;
                centre = *p;
            }
        }
        text = "orbit " + fixed(degrees) + " deg about " + name + point(centre);
        const char* const names[] = {"x", "y", "z"};
        const double parts[] = {axis.x, axis.y, axis.z};
        for (int i = 0; i < 3; ++i) {
            if (std::fabs(parts[i]) > 0.9999) {
                text += std::string(", around ") + names[i];
            }
        }
    }
    // What the turn does not explain: a move of the camera and its target.
    const Vec3 turned = centre + turn(r, before.position - centre);
    const Vec3 moved = after.position - turned;
    if (after.perspective) {
        const std::string walk = screenMove(dot(moved, b.right), 0.0, least, "left", "right");
        const double forward = -dot(moved, b.out);
        std::string move = std::fabs(forward) > least ? fixed(std::fabs(forward)) + " units " +
                                                            (forward > 0 ? "forward" : "back")
                                                      : std::string();
        if (!walk.empty()) {
            move += (move.empty() ? "" : ", ") + walk;
        }
        // The camera's up is the world's only in a level view: the part
        // along it is named as the camera's, and whether the height stayed.
        if (const double up = dot(moved, b.up); std::fabs(up) > least) {
            move += (move.empty() ? fixed(std::fabs(up)) + " units" : ", " + fixed(std::fabs(up))) +
                    (up > 0 ? " along" : " against") + " the camera's up" +
                    (std::fabs(moved.z) <= least ? ", height unchanged" : "");
        }
        join(text, move.empty() ? std::string() : "camera moved " + move);
    } else {
        // The drawing moves on screen against the camera's move.
        const std::string pan =
            screenMove(-dot(moved, b.right), -dot(moved, b.up), least, "left", "right");
        join(text, pan.empty() ? std::string() : "pan " + pan);
    }
    join(text, zoomText(before.width / after.width));
    return text;
}

void MotionNotes::reset(const WorldState& world) {
    mWorld = world;
    mModelNow.reset();
    mPaperNow.reset();
    mMoved.clear();
}

void MotionNotes::read(const std::string& line) {
    const bool saved = line.find("\"ev\":\"view_saved\"") != std::string::npos;
    if (saved || line.find("\"ev\":\"view\"") != std::string::npos) {
        Camera c;
        c.position = vec(numbersOf(line, "position"));
        c.target = vec(numbersOf(line, "target"));
        c.up = vec(numbersOf(line, "up"));
        const std::vector<double> w = numbersOf(line, "width"), h = numbersOf(line, "height");
        c.width = w.empty() ? mWorld.camera.width : w[0];
        c.height = h.empty() ? mWorld.camera.height : h[0];
        c.perspective = line.find("\"perspective\":true") != std::string::npos;
        mModelNow = c;
        if (saved) {
            endModelMotion();
        }
    } else if (line.find("\"ev\":\"paper_view\"") != std::string::npos) {
        const std::vector<double> centre = numbersOf(line, "center"), h = numbersOf(line, "height");
        if (centre.size() == 2 && h.size() == 1) {
            mPaperNow = PaperState{centre[0], centre[1], h[0]};
        }
    } else if (line.find("\"ev\":\"entity\"") != std::string::npos) {
        const std::vector<double> id = numbersOf(line, "id"), step = numbersOf(line, "matrix");
        if (id.size() != 1 || step.size() != 16) {
            return;
        }
        std::vector<double>& total = mMoved[static_cast<int>(id[0])];
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

void MotionNotes::endModelMotion() {
    if (!mModelNow) {
        return;
    }
    const std::string text = describeViewChange(mWorld.camera, *mModelNow, mWorld);
    if (!text.empty()) {
        mNotes.push_back(text);
    }
    mWorld.camera = *mModelNow;
    mModelNow.reset();
}

std::vector<std::string> MotionNotes::take() {
    std::vector<std::string> notes;
    notes.swap(mNotes);
    return notes;
}

std::vector<std::string> MotionNotes::flush(const WorldState& world) {
    endModelMotion();
    if (mPaperNow) {
        const PaperState& a = mWorld.paper;
        const double least = kMinShare * a.height;
        std::string text;
        const std::string pan = screenMove(a.centerX - mPaperNow->centerX,
                                           a.centerY - mPaperNow->centerY, least, "left", "right");
        join(text, pan.empty() ? std::string() : "paper pan " + pan);
        const std::string zoom = zoomText(a.height / mPaperNow->height);
        join(text, zoom.empty() ? std::string() : "paper " + zoom);
        if (!text.empty()) {
            mNotes.push_back(text);
        }
    }
    // Entities moved alike are named together.
    std::vector<int> done;
    for (const auto& [id, total] : mMoved) {
        if (std::find(done.begin(), done.end(), id) != done.end()) {
            continue;
        }
        std::string ids;
        Vec3 sum;
        int count = 0;
        for (const auto& [other, otherTotal] : mMoved) {
            bool same = true;
            for (int k = 0; k < 16; ++k) {
                same =
                    same && std::fabs(otherTotal[k] - total[k]) < 1e-9 * (1 + std::fabs(total[k]));
            }
            if (same) {
                done.push_back(other);
                ids += (ids.empty() ? "" : " ") + std::to_string(other);
                if (other >= 0 && other < static_cast<int>(world.entityCentres.size())) {
                    sum = sum + world.entityCentres[other];
                    ++count;
                }
            }
        }
        Mat3 r;
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                r[row][col] = total[row * 4 + col];
            }
        }
        // Where their centre was: the move undone, r^T (after - t).
        const Vec3 after = count > 0 ? (1.0 / count) * sum : Vec3{};
        const Vec3 shifted = after - Vec3{total[3], total[7], total[11]};
        const Vec3 before{r[0][0] * shifted.x + r[1][0] * shifted.y + r[2][0] * shifted.z,
                          r[0][1] * shifted.x + r[1][1] * shifted.y + r[2][1] * shifted.z,
                          r[0][2] * shifted.x + r[1][2] * shifted.y + r[2][2] * shifted.z};
        Vec3 axis;
        const double degrees = degreesOf(r, axis);
        std::string text =
            "entit" + std::string(ids.find(' ') == std::string::npos ? "y " : "ies ") + ids;
        const Vec3 by = after - before;
        if (length(by) > 1e-3 * (1.0 + length(after))) {
            text += " moved by " + point(by);
        }
        if (degrees > kMinDegrees) {
            text += std::string(length(by) > 1e-3 * (1.0 + length(after)) ? "," : "") + " turned " +
                    fixed(degrees) + " deg";
        }
        mNotes.push_back(text);
    }
    std::vector<std::string> notes = take();
    reset(world);
    return notes;
}

}  // namespace qxsim
