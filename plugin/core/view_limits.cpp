// The limits of a view that navigation leaves behind, and the warning of a
// step that was not applied because of them.
#include "view_limits.h"

#include <algorithm>
#include <cmath>
#include <float.h>

#include "auto_cad_proxy.h"
#include "logging.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

bool isInside(double value, double low, double high) {
    return value >= low && value <= high;
}

// After is finite, and inside [low, high] unless before was outside already.
bool keeps(double before, double after, double low, double high) {
    return _finite(after) && (isInside(after, low, high) || !isInside(before, low, high));
}

// Largest magnitude of the coordinates; NaN when one is NaN.
double extent(const double* coordinates, int count) {
    double largest = 0.0;
    for (int i = 0; i < count; ++i) {
        if (_isnan(coordinates[i])) {
            return coordinates[i];
        }
        largest = std::max(largest, std::fabs(coordinates[i]));
    }
    return largest;
}

double extent(const AcGePoint3d& a, const AcGePoint3d& b) {
    const double coordinates[] = {a.x, a.y, a.z, b.x, b.y, b.z};
    return extent(coordinates, 6);
}

double extent(double x, double y) {
    const double coordinates[] = {x, y};
    return extent(coordinates, 2);
}

}  // namespace

bool isWithinViewLimits(const ViewShape& before, const ViewShape& after) {
    const AcGeVector3d& up = after.up;
    return keeps(before.width, after.width, kMinViewField, kMaxViewField) &&
           keeps(before.height, after.height, kMinViewField, kMaxViewField) &&
           keeps(extent(before.position, before.target), extent(after.position, after.target), 0.0,
                 kMaxViewCoordinate) &&
           _finite(up.x) && _finite(up.y) && _finite(up.z) && !up.isZeroLength() &&
           !(after.position - after.target).isZeroLength();
}

bool isWithinViewLimits(const View2dShape& before, const View2dShape& after) {
    return keeps(before.height, after.height, kMinViewField, kMaxViewField) &&
           keeps(extent(before.x, before.y), extent(after.x, after.y), 0.0, kMaxViewCoordinate);
}

void AutoCadProxy::warnViewOutOfLimits(const char* method) {
    if (mIsViewLimitWarned) {
        return;
    }
    mIsViewLimitWarned = true;
    QX_LOG(WRN, kSrcFile, kClass, method)
        << "Step not applied: the view would not be finite or would pass the limits (field "
        << kMinViewField << " to " << kMaxViewField << ", coordinates within " << kMaxViewCoordinate
        << " drawing units)." << LOG_END;
}
