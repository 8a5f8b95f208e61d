// One picture of the drawing as an SVG wireframe: entities projected through
// the view's camera, the selected ones highlighted, an axis tripod in a
// corner. The page that shows it carries the caption. Pure; any thread.
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
    std::vector<SceneList> lists;  // drawn as panels down the right edge
};

inline constexpr int kPictureWidth = 480;
inline constexpr int kPictureHeight = 360;

std::string renderSvg(const Scene& scene);

// Text made safe inside XML and HTML.
std::string escapeXml(const std::string& text);

}  // namespace qxsim
