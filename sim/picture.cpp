// SVG wireframe pictures of the drawing.

#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace qxsim {
namespace {

constexpr int kCircleSegments = 64;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTripodLength = 28.0;  // pixels of a world axis seen face-on
constexpr double kColumnLeft = kPictureWidth + 8.0;
constexpr double kTripodX = kPictureWidth + kPanelColumnWidth / 2.0, kTripodY = 72.0;
constexpr double kListsTop = 120.0, kListStep = 70.0;

const char* const kEntityColour = "#1d3557";
const char* const kSelectedColour = "#e76f51";

std::string px(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// A circle as a closed polygon in its own plane.
std::vector<Vec3> circlePoints(const SceneEntity& circle) {
    const Vec3 n = normalized(circle.normal);
    // Any direction square to the normal starts the polygon.
    Vec3 u = normalized(cross(std::fabs(n.z) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0}, n));
    Vec3 v = cross(n, u);
    std::vector<Vec3> points;
    for (int i = 0; i <= kCircleSegments; ++i) {
        const double a = 2.0 * kPi * i / kCircleSegments;
        points.push_back(circle.start + circle.radius * std::cos(a) * u +
                         circle.radius * std::sin(a) * v);
    }
    return points;
}

// A polyline of projected points; runs that leave the near plane break it.
void drawPolyline(std::ostringstream& svg, const Projector& projector,
                  const std::vector<Vec3>& points, const char* colour, double strokeWidth) {
    std::string path;
    bool open = false;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        Pixel a, b;
        if (!projector.projectSegment(points[i], points[i + 1], a, b)) {
            open = false;
            continue;
        }
        if (!open) {
            path += "M" + px(a.x) + " " + px(a.y);
        }
        path += "L" + px(b.x) + " " + px(b.y);
        open = true;
    }
    if (!path.empty()) {
        svg << "<path d=\"" << path << "\" fill=\"none\" stroke=\"" << colour
            << "\" stroke-width=\"" << strokeWidth << "\" stroke-linecap=\"round\"/>\n";
    }
}

void drawTripod(std::ostringstream& svg, const Projector& projector) {
    struct Axis {
        Vec3 direction;
        const char* label;
        const char* colour;
    };
    const Axis axes[] = {
        {{1, 0, 0}, "X", "#d62828"}, {{0, 1, 0}, "Y", "#2a9d8f"}, {{0, 0, 1}, "Z", "#3a86ff"}};
    svg << "<g class=\"tripod\" font-family=\"sans-serif\" font-size=\"11\">\n";
    for (const Axis& axis : axes) {
        const Pixel d = projector.direction(axis.direction);
        const double x = kTripodX + kTripodLength * d.x;
        const double y = kTripodY + kTripodLength * d.y;
        svg << "<line x1=\"" << px(kTripodX) << "\" y1=\"" << px(kTripodY) << "\" x2=\"" << px(x)
            << "\" y2=\"" << px(y) << "\" stroke=\"" << axis.colour << "\" stroke-width=\"2\"/>\n"
            << "<text x=\"" << px(x + 3 * d.x) << "\" y=\"" << px(y + 3 * d.y + 4) << "\" fill=\""
            << axis.colour << "\">" << axis.label << "</text>\n";
    }
    svg << "</g>\n";
}

// A list as a panel: its name, its scroll bar with the thumb where the
// bar's position is, the lines in view and, highlighted, how far it scrolled.
void drawList(std::ostringstream& svg, const SceneList& list, double top) {
    constexpr double kWidth = kPanelColumnWidth - 16, kHeight = 62, kTrackHeight = kHeight - 12;
    const double left = kColumnLeft;
    const double range = std::max(1, list.max - list.min + 1);
    const double thumb = std::clamp(list.page / range, 0.05, 1.0) * kTrackHeight;
    const double thumbTop =
        top + 6 + std::clamp((list.pos - list.min) / range, 0.0, 1.0) * (kTrackHeight - thumb);
    const int last = std::min(list.max, list.pos + std::max(list.page, 1) - 1);
    svg << "<g class=\"list\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<rect x=\"" << px(left) << "\" y=\"" << px(top) << "\" width=\"" << kWidth
        << "\" height=\"" << kHeight << "\" fill=\"#fff\" stroke=\"#999\"/>\n"
        << "<rect x=\"" << px(left + kWidth - 12) << "\" y=\"" << px(top + 6)
        << "\" width=\"6\" height=\"" << px(kTrackHeight) << "\" fill=\"#ddd\"/>\n"
        << "<rect x=\"" << px(left + kWidth - 12) << "\" y=\"" << px(thumbTop)
        << "\" width=\"6\" height=\"" << px(thumb) << "\" fill=\"#555\"/>\n"
        << "<text x=\"" << px(left + 6) << "\" y=\"" << px(top + 15) << "\" fill=\"#333\">window "
        << list.id << ": " << escapeXml(list.className) << "</text>\n"
        << "<text x=\"" << px(left + 6) << "\" y=\"" << px(top + 32) << "\" fill=\"#333\">lines "
        << list.pos << "-" << last << " of " << list.min << "-" << list.max << "</text>\n";
    if (list.movedBy != 0) {
        svg << "<text x=\"" << px(left + 6) << "\" y=\"" << px(top + 49) << "\" fill=\""
            << kSelectedColour << "\">scrolled " << (list.movedBy > 0 ? "+" : "") << list.movedBy
            << " lines</text>\n";
    }
    svg << "</g>\n";
}

}  // namespace

std::string escapeXml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

int pictureHeight(const Scene& scene) {
    const double lists = kListsTop + kListStep * static_cast<double>(scene.lists.size());
    return std::max(kPictureHeight, static_cast<int>(lists));
}

std::string renderSvg(const Scene& scene) {
    const Projector projector(scene.camera, kPictureWidth, kPictureHeight);
    const int width = kPictureWidth + kPanelColumnWidth, height = pictureHeight(scene);
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << width << " " << height << "\">\n"
        << "<rect width=\"" << width << "\" height=\"" << height << "\" fill=\"#fff\"/>\n"
        << "<clipPath id=\"view\"><rect width=\"" << kPictureWidth << "\" height=\""
        << kPictureHeight << "\"/></clipPath>\n"
        << "<g class=\"view\" clip-path=\"url(#view)\">\n"
        << "<rect width=\"" << kPictureWidth << "\" height=\"" << kPictureHeight << "\" fill=\""
        << (scene.paper ? "#fdfcf7" : "#f4f6f8") << "\"/>\n";
    if (!projector.valid()) {
        // Two lines, so that the note fits the view's width.
        svg << "<text x=\"" << kPictureWidth / 2 << "\" y=\"" << kPictureHeight / 2 - 8
            << "\" text-anchor=\"middle\" font-family=\"sans-serif\" font-size=\"13\" "
               "fill=\"#b00020\"><tspan>This view cannot be drawn: its camera, target,</tspan>"
               "<tspan x=\""
            << kPictureWidth / 2
            << "\" dy=\"18\">up direction or field is degenerate or not finite.</tspan></text>\n";
    } else if (scene.paper) {
        // The viewport's border on the sheet: the field of its view. The
        // drawing's entities are the model's, seen through it: dimmed and
        // cut at its border.
        const double w = scene.camera.width * std::min(kPictureWidth / scene.camera.width,
                                                       kPictureHeight / scene.camera.height);
        const double h = scene.camera.height * std::min(kPictureWidth / scene.camera.width,
                                                        kPictureHeight / scene.camera.height);
        const std::string border = "x=\"" + px((kPictureWidth - w) / 2) + "\" y=\"" +
                                   px((kPictureHeight - h) / 2) + "\" width=\"" + px(w) +
                                   "\" height=\"" + px(h) + "\"";
        svg << "<rect " << border << " fill=\"none\" stroke=\"#999\" stroke-dasharray=\"4 3\"/>\n"
            << "<clipPath id=\"viewport\"><rect " << border << "/></clipPath>\n"
            << "<g class=\"model-through-viewport\" clip-path=\"url(#viewport)\" "
               "opacity=\"0.45\">\n";
    }
    // Unselected entities first, so the highlighted ones stay on top.
    for (bool selected : {false, true}) {
        for (const SceneEntity& entity : scene.entities) {
            if (entity.selected != selected) {
                continue;
            }
            const std::vector<Vec3> points = entity.kind == SceneEntity::Kind::Line
                                                 ? std::vector<Vec3>{entity.start, entity.end}
                                                 : circlePoints(entity);
            drawPolyline(svg, projector, points, selected ? kSelectedColour : kEntityColour,
                         selected ? 3.0 : 1.5);
        }
    }
    if (scene.paper && projector.valid()) {
        svg << "</g>\n";
    }
    svg << "</g>\n<g class=\"label\"><text x=\"" << px(kColumnLeft) << "\" y=\"18\" "
        << "font-family=\"sans-serif\" font-size=\"12\" fill=\"#555\">"
        << (scene.paper                ? "paper space"
            : scene.camera.perspective ? "perspective"
                                       : "parallel")
        << "</text></g>\n";
    if (projector.valid()) {
        drawTripod(svg, projector);
    }
    for (std::size_t i = 0; i < scene.lists.size(); ++i) {
        drawList(svg, scene.lists[i], kListsTop + kListStep * static_cast<double>(i));
    }
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace qxsim
