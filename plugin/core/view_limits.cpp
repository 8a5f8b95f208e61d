// The limits of a view that navigation leaves behind, and the warning of a
// step held at them.
#include "view_limits.h"

#include <algorithm>
#include <cmath>
#include <float.h>

#include "auto_cad_proxy.h"
#include "logging.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

bool isFinite(double value) {
    return _finite(value) != 0;
}

bool isFinite(const AcGePoint3d& p) {
    return isFinite(p.x) && isFinite(p.y) && isFinite(p.z);
}

bool isFinite(const AcGeVector3d& v) {
    return isFinite(v.x) && isFinite(v.y) && isFinite(v.z);
}

// Zero, a subnormal size, a negative one and NaN are all outside.
bool isFieldInside(double field) {
    return field >= kMinViewField && field <= kMaxViewField;
}

double clampTo(double value, double low, double high) {
    return value < low ? low : (value > high ? high : value);
}

// Brings a field into its limits: one factor for both sides where one
// fits, else each side on its own.
bool limitField(double& width, double& height) {
    if (isFieldInside(width) && isFieldInside(height)) {
        return false;
    }
    if (width > 0.0 && height > 0.0) {
        const double low = std::max(kMinViewField / width, kMinViewField / height);
        const double high = std::min(kMaxViewField / width, kMaxViewField / height);
        if (low <= high && isFinite(low) && isFinite(high)) {
            const double factor = clampTo(1.0, low, high);
            width *= factor;
            height *= factor;
        }
    }
    // Also catches the last bit of rounding of the factor.
    width = clampTo(width, kMinViewField, kMaxViewField);
    height = clampTo(height, kMinViewField, kMaxViewField);
    return true;
}

// Largest magnitude of `count` coordinates.
double extent(const double* coordinates, int count) {
    double largest = 0.0;
    for (int i = 0; i < count; ++i) {
        largest = std::max(largest, std::fabs(coordinates[i]));
    }
    return largest;
}

// Share of the way from `before` (inside) to `after` (outside) at which the
// first coordinate reaches its limit.
double shareToLimit(const double* before, const double* after, int count) {
    double share = 1.0;
    for (int i = 0; i < count; ++i) {
        if (std::fabs(after[i]) > kMaxViewCoordinate) {
            const double bound = after[i] > 0.0 ? kMaxViewCoordinate : -kMaxViewCoordinate;
            share = std::min(share, (bound - before[i]) / (after[i] - before[i]));
        }
    }
    return clampTo(share, 0.0, 1.0);
}

// Moves points (x, y, z triples, or x, y pairs with `dims` 2) together by
// the least shift, per axis, that brings them all inside; where they lie
// too far apart for that, each coordinate is clamped on its own.
void shiftInside(double* coordinates, int points, int dims) {
    for (int axis = 0; axis < dims; ++axis) {
        double lowest = coordinates[axis];
        double highest = coordinates[axis];
        for (int p = 1; p < points; ++p) {
            lowest = std::min(lowest, coordinates[p * dims + axis]);
            highest = std::max(highest, coordinates[p * dims + axis]);
        }
        const double lowShift = -kMaxViewCoordinate - lowest;
        const double highShift = kMaxViewCoordinate - highest;
        const double shift = lowShift <= highShift ? clampTo(0.0, lowShift, highShift) : 0.0;
        for (int p = 0; p < points; ++p) {
            double& c = coordinates[p * dims + axis];
            c = clampTo(c + shift, -kMaxViewCoordinate, kMaxViewCoordinate);
        }
    }
}

// Takes the coordinates (`count` of them, points of `dims`) from `after` up
// to their limit: along the step from a `before` inside, else by a shift.
bool limitCoordinates(const double* before, double* after, int count, int dims, double& share) {
    share = 1.0;
    if (extent(after, count) <= kMaxViewCoordinate) {
        return false;
    }
    if (extent(before, count) <= kMaxViewCoordinate) {
        share = shareToLimit(before, after, count);
        for (int i = 0; i < count; ++i) {
            after[i] = clampTo(before[i] + share * (after[i] - before[i]), -kMaxViewCoordinate,
                               kMaxViewCoordinate);
        }
    } else {
        shiftInside(after, count / dims, dims);
    }
    return true;
}

// Exactly, where the host's == allows its tolerance.
bool isSame(const AcGePoint3d& a, const AcGePoint3d& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

double lerp(double from, double to, double share) {
    return from + share * (to - from);
}

}  // namespace

bool limitView(const ViewShape& before, ViewShape& view) {
    if (!isFinite(view.position) || !isFinite(view.target) || !isFinite(view.up) ||
        !isFinite(view.width) || !isFinite(view.height)) {
        view = before;
        return true;
    }
    bool isChanged = limitField(view.width, view.height);
    const double from[6] = {before.position.x, before.position.y, before.position.z,
                            before.target.x,   before.target.y,   before.target.z};
    double to[6] = {view.position.x, view.position.y, view.position.z,
                    view.target.x,   view.target.y,   view.target.z};
    double share = 1.0;
    if (limitCoordinates(from, to, 6, 3, share)) {
        isChanged = true;
        view.position.set(to[0], to[1], to[2]);
        view.target.set(to[3], to[4], to[5]);
        // The up vector turns with the camera, as far as the camera went.
        view.up.set(lerp(before.up.x, view.up.x, share), lerp(before.up.y, view.up.y, share),
                    lerp(before.up.z, view.up.z, share));
    }
    if (view.up.isZeroLength() || (view.position - view.target).isZeroLength()) {
        view = before;
        return true;
    }
    return isChanged;
}

bool limitView(const View2dShape& before, View2dShape& view) {
    if (!isFinite(view.x) || !isFinite(view.y) || !isFinite(view.height)) {
        view = before;
        return true;
    }
    bool isChanged = !isFieldInside(view.height);
    view.height = clampTo(view.height, kMinViewField, kMaxViewField);
    const double from[2] = {before.x, before.y};
    double to[2] = {view.x, view.y};
    double share = 1.0;
    if (limitCoordinates(from, to, 2, 2, share)) {
        isChanged = true;
        view.x = to[0];
        view.y = to[1];
    }
    return isChanged;
}

bool isSameView(const ViewShape& a, const ViewShape& b) {
    return isSame(a.position, b.position) && isSame(a.target, b.target) &&
           isSame(AcGePoint3d(a.up.x, a.up.y, a.up.z), AcGePoint3d(b.up.x, b.up.y, b.up.z)) &&
           a.width == b.width && a.height == b.height;
}

bool isSameView(const View2dShape& a, const View2dShape& b) {
    return a.x == b.x && a.y == b.y && a.height == b.height;
}

void AutoCadProxy::warnViewOutOfLimits(const char* method) {
    if (mIsViewLimitWarned) {
        return;
    }
    mIsViewLimitWarned = true;
    QX_LOG(WRN, kSrcFile, kClass, method)
        << "Step held at the view's limits: field " << kMinViewField << " to " << kMaxViewField
        << ", coordinates within " << kMaxViewCoordinate
        << " drawing units (a step that would make the view not finite is not applied)." << LOG_END;
}
