// Queued command texts run by the simulated host.

#include "queued_commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "pass_watch.h"  // inPaperSpace

namespace qxsim {
namespace {

// Room left around the drawing by zoom all, as a share of its extents.
constexpr double kZoomAllMargin = 1.1;
constexpr int kCircleSamples = 16;
constexpr double kPi = 3.14159265358979323846;

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Words of a command text, without the transparent mark (') and the
// international prefix (_).
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    std::string word;
    for (char c : text + " ") {
        if (c == ' ' || c == '\n' || c == '\t') {
            if (!word.empty()) {
                result.push_back(upper(word));
            }
            word.clear();
        } else if (!(word.empty() && (c == '\'' || c == '_'))) {
            word += c;
        }
    }
    return result;
}

// Every point the drawing reaches (circles by samples of their rim).
std::vector<AcGePoint3d> drawingPoints() {
    std::vector<AcGePoint3d> points;
    for (int i = 0; i < arxdrawing::entityCount(); ++i) {
        const arxdrawing::EntityInfo e = arxdrawing::entity(i);
        if (e.kind == arxdrawing::EntityKind::Line) {
            points.push_back(e.start);
            points.push_back(e.end);
            continue;
        }
        AcGeVector3d n = e.normal;
        n.normalize();
        AcGeVector3d u =
            (std::fabs(n.z) < 0.9 ? AcGeVector3d::kZAxis : AcGeVector3d::kXAxis).crossProduct(n);
        u.normalize();
        const AcGeVector3d v = n.crossProduct(u);
        for (int k = 0; k < kCircleSamples; ++k) {
            const double a = 2.0 * kPi * k / kCircleSamples;
            points.push_back(e.start + u * (e.radius * std::cos(a)) + v * (e.radius * std::sin(a)));
        }
    }
    return points;
}

struct Extents {
    double lo[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    double hi[2] = {-std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    void add(double a, double b) {
        lo[0] = std::min(lo[0], a), hi[0] = std::max(hi[0], a);
        lo[1] = std::min(lo[1], b), hi[1] = std::max(hi[1], b);
    }
};

// A field of the given aspect (width / height) that holds w x h with margin.
void fit(double w, double h, double aspect, double& fieldW, double& fieldH) {
    fieldH = std::max(h, w / aspect) * kZoomAllMargin;
    fieldW = fieldH * aspect;
}

void zoomAll() {
    const std::vector<AcGePoint3d> points = drawingPoints();
    if (points.empty()) {
        return;
    }
    if (inPaperSpace()) {
        arxdrawing::PaperView view = arxdrawing::paperView();
        Extents ext;
        for (const AcGePoint3d& p : points) {
            ext.add(p.x, p.y);
        }
        double fieldW = 0.0;
        fit(ext.hi[0] - ext.lo[0], ext.hi[1] - ext.lo[1], view.width / view.height, fieldW,
            view.viewHeight);
        view.centerX = (ext.lo[0] + ext.hi[0]) / 2.0;
        view.centerY = (ext.lo[1] + ext.hi[1]) / 2.0;
        arxdrawing::setPaperView(view);
        return;
    }
    fitModelView(arxsim::cvport());
}

}  // namespace

void fitModelView(int vp) {
    const std::vector<AcGePoint3d> points = drawingPoints();
    if (points.empty()) {
        return;
    }
    arxdrawing::ViewParams view = arxdrawing::gsView(vp).value_or(arxdrawing::storedView(vp));
    // The drawing's extents across and up the screen, measured in the view.
    AcGeVector3d out = view.position - view.target;
    out.normalize();
    AcGeVector3d up = view.up - out * view.up.dotProduct(out);
    up.normalize();
    const AcGeVector3d right = up.crossProduct(out);
    Extents ext;
    for (const AcGePoint3d& p : points) {
        const AcGeVector3d d = p - view.target;
        ext.add(d.dotProduct(right), d.dotProduct(up));
    }
    const AcGeVector3d shift =
        right * ((ext.lo[0] + ext.hi[0]) / 2.0) + up * ((ext.lo[1] + ext.hi[1]) / 2.0);
    view.target += shift;
    view.position += shift;
    fit(std::max(ext.hi[0] - ext.lo[0], 1e-9), std::max(ext.hi[1] - ext.lo[1], 1e-9),
        view.width / view.height, view.width, view.height);
    arxdrawing::setModelView(vp, view);
}

ParsedHostCommand parseHostCommand(const std::string& text) {
    static const char* const kViews[] = {"TOP", "BOTTOM", "FRONT", "BACK", "LEFT", "RIGHT"};
    const std::vector<std::string> w = words(text);
    ParsedHostCommand parsed;
    if (w.size() == 2 && w[0] == "ZOOM" && w[1] == "ALL") {
        parsed.command = HostCommand::ZoomAll;
    } else if (w.size() == 2 && w[0] == "-VIEW") {
        for (const char* view : kViews) {
            if (w[1] == view) {
                parsed.command = HostCommand::View;
                for (const char* c = view; *c != '\0'; ++c) {
                    parsed.view += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
                }
            }
        }
    }
    return parsed;
}

std::vector<std::string> HostCommandLine::runQueued() {
    const std::vector<std::wstring> sent = arxsim::sentStrings();
    std::vector<std::string> ran;
    if (sent.size() < mSeen) {
        mSeen = 0;
    }
    for (; mSeen < sent.size(); ++mSeen) {
        // The module's command texts are plain ASCII.
        std::string text;
        for (wchar_t c : sent[mSeen]) {
            text += c < 0x80 ? static_cast<char>(c) : '?';
        }
        const ParsedHostCommand parsed = parseHostCommand(text);
        const bool paper = inPaperSpace();
        bool run = true;
        if (parsed.command == HostCommand::View && !paper) {
            arxdrawing::setNamedView(arxsim::cvport(), parsed.view);
        } else if (parsed.command == HostCommand::ZoomAll) {
            zoomAll();
        } else if (text.rfind("_navbardisplay", 0) == 0) {
            continue;  // the navigation bar hidden during a motion: no step's doing
        } else {
            run = false;
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        std::string shown;
        for (char c : text) {
            shown += c == '\x1b' ? std::string("<Esc>")
                     : c == '\n' ? std::string("<Enter>")
                                 : std::string(1, c);
        }
        ran.push_back(run ? "host ran: " + shown : "host got: " + shown + " (recorded, not run)");
    }
    return ran;
}

}  // namespace qxsim
