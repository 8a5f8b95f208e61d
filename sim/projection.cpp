// Camera projection of the pictures qxsim draws.

#include "projection.h"

#include <algorithm>
#include <cmath>

namespace qxsim {
namespace {

// The near plane of a perspective view, as a share of the camera's distance
// from its target: points closer than that are not drawn.
constexpr double kNearShare = 1e-3;

double length(Vec3 a) {
    return std::sqrt(dot(a, a));
}

}  // namespace

double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 normalized(Vec3 a) {
    const double n = length(a);
    return n > 0.0 ? (1.0 / n) * a : Vec3{};
}

Projector::Projector(const Camera& camera, double pixelsWide, double pixelsHigh)
    : mCamera(camera), mCentreX(pixelsWide / 2.0), mCentreY(pixelsHigh / 2.0) {
    const Vec3 sight = camera.position - camera.target;
    mDistance = length(sight);
    mFrame.out = normalized(sight);
    // Up made square to the line of sight; a tilted up vector still gives
    // an upright picture of the view's own up direction.
    mFrame.up = normalized(camera.up - dot(camera.up, mFrame.out) * mFrame.out);
    mFrame.right = cross(mFrame.up, mFrame.out);
    mNear = kNearShare * mDistance;
    mValid = mDistance > 0.0 && length(mFrame.up) > 0.5 && camera.width > 0.0 &&
             camera.height > 0.0 && pixelsWide > 0.0 && pixelsHigh > 0.0;
    if (mValid) {
        mScale = std::min(pixelsWide / camera.width, pixelsHigh / camera.height);
    }
    // A camera of infinities or NaN, a field too large to be a number, or
    // one so small that its scale overflows, would put NaN and infinities
    // into the picture.
    mValid = mValid && std::isfinite(mDistance) && std::isfinite(mScale) &&
             std::isfinite(camera.width) && std::isfinite(camera.height) &&
             std::isfinite(dot(camera.target, camera.target)) &&
             std::isfinite(dot(mFrame.up, mFrame.right));
}

double Projector::depth(Vec3 point) const {
    return dot(mCamera.position - point, mFrame.out);
}

std::optional<Pixel> Projector::project(Vec3 point) const {
    if (!mValid) {
        return std::nullopt;
    }
    const Vec3 fromTarget = point - mCamera.target;
    double u = dot(fromTarget, mFrame.right);
    double v = dot(fromTarget, mFrame.up);
    if (mCamera.perspective) {
        const double d = depth(point);
        if (d < mNear) {
            return std::nullopt;
        }
        // The field is the view's size at the target's distance.
        u *= mDistance / d;
        v *= mDistance / d;
    }
    return Pixel{mCentreX + u * mScale, mCentreY - v * mScale};
}

bool Projector::projectSegment(Vec3 a, Vec3 b, Pixel& pa, Pixel& pb) const {
    if (!mValid) {
        return false;
    }
    if (mCamera.perspective) {
        const double da = depth(a);
        const double db = depth(b);
        if (da < mNear && db < mNear) {
            return false;
        }
        if (da < mNear || db < mNear) {
            // Cut a hair in front of the near plane so the cut point projects.
            const double t = (mNear * (1.0 + 1e-9) - da) / (db - da);
            const Vec3 cut = a + t * (b - a);
            (da < mNear ? a : b) = cut;
        }
    }
    std::optional<Pixel> first = project(a);
    std::optional<Pixel> second = project(b);
    if (!first || !second) {
        // Rounding at the near plane: the cut point lies on it.
        return false;
    }
    pa = *first;
    pb = *second;
    // Points too far off the picture for a double are left out.
    return std::isfinite(pa.x) && std::isfinite(pa.y) && std::isfinite(pb.x) && std::isfinite(pb.y);
}

Pixel Projector::direction(Vec3 d) const {
    return Pixel{dot(d, mFrame.right), -dot(d, mFrame.up)};
}

}  // namespace qxsim
