// Projection of world points onto a picture through a camera, as the host's
// graphics view shows them: parallel or perspective, the field (width x
// height at the target) fitted into the picture. Pure; any thread.
#pragma once

#include <optional>

namespace qxsim {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, Vec3 a) {
    return {s * a.x, s * a.y, s * a.z};
}
double dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);
// The unit vector along `a`; (0,0,0) for a zero vector.
Vec3 normalized(Vec3 a);

struct Camera {
    Vec3 position{0.0, 0.0, 100.0};
    Vec3 target{0.0, 0.0, 0.0};
    Vec3 up{0.0, 1.0, 0.0};
    double width = 200.0;  // field at the target, drawing units
    double height = 150.0;
    bool perspective = false;
};

// A point of the picture: x to the right, y downwards, in pixels from the
// picture's top left corner.
struct Pixel {
    double x = 0.0, y = 0.0;
};

// The camera's frame in world coordinates: `out` from the target towards
// the camera, `up` the camera's up made square to `out`, `right` = up x out.
struct ScreenFrame {
    Vec3 right, up, out;
};

class Projector {
public:
    // A picture of `pixelsWide` x `pixelsHigh`; the whole field fits in it,
    // centred, with the same scale along both axes.
    Projector(const Camera& camera, double pixelsWide, double pixelsHigh);

    const ScreenFrame& frame() const { return mFrame; }
    // False for a degenerate camera (camera on its target, up along the line
    // of sight, empty field, numbers that are not finite or a field too small
    // to scale): nothing is projected then.
    bool valid() const { return mValid; }

    // The pixel of a world point; none for a point at or behind the camera's
    // near plane in a perspective view.
    std::optional<Pixel> project(Vec3 point) const;

    // Clips the segment a-b to the part in front of the near plane (a
    // perspective view only) and projects its ends; false when nothing of it
    // is in front.
    bool projectSegment(Vec3 a, Vec3 b, Pixel& pa, Pixel& pb) const;

    // A world direction as seen on screen (x right, y down), length kept:
    // for an axis tripod.
    Pixel direction(Vec3 d) const;

private:
    double depth(Vec3 point) const;  // distance in front of the camera

    Camera mCamera;
    ScreenFrame mFrame;
    double mScale = 1.0;  // pixels per drawing unit at the target
    double mDistance = 1.0;
    double mNear = 0.0;
    double mCentreX = 0.0, mCentreY = 0.0;
    bool mValid = false;
};

}  // namespace qxsim
