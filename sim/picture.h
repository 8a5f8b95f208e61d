// One picture of the drawing as an SVG wireframe: entities projected through
// the view's camera, the selected ones highlighted; beside the view, never
// over it, the kind of view, an axis tripod and the lists. The page that
// shows it carries the caption. Pure; any thread.
#pragma once

#include <string>
#include <vector>

#include "projection.h"

namespace qxsim {

struct SceneEntity {
    enum class Kind { Line, Circle };
    Kind kind = Kind::Line;
    Vec3 start;  // line: start; circle: centre
    Vec3 end;    // line: end
    Vec3 normal{0.0, 0.0, 1.0};
    double radius = 0.0;
    bool selected = false;
};

// A scrolling window of the desktop (a list or tree) beside the drawing: its
// vertical bar, and how far it moved since the picture before.
struct SceneList {
    int id = 0;
    std::string className;
    int min = 0, max = 0, page = 0, pos = 0;
    int movedBy = 0;
};

struct Scene {
    Camera camera;
    // Paper space: the camera looks down on the active viewport's view and
    // the viewport's border is drawn.
    bool paper = false;
    std::vector<SceneEntity> entities;
    std::vector<SceneList> lists;  // drawn as panels in the column beside the view
};

// The view's part of a picture, from its top left corner; a column of panels
// (the kind of view, the axis tripod, the lists) stands to its right.
inline constexpr int kPictureWidth = 480;
inline constexpr int kPictureHeight = 360;
inline constexpr int kPanelColumnWidth = 192;

std::string renderSvg(const Scene& scene);

// The whole picture's height: the view's, or more when the lists need it.
int pictureHeight(const Scene& scene);

// Text made safe inside XML and HTML.
std::string escapeXml(const std::string& text);

}  // namespace qxsim
