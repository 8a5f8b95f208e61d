// Points in the plane of the host API's geometry.
#pragma once

#include "gegbl.h"

class AcGePoint2d {
public:
    AcGePoint2d() : x(0.0), y(0.0) {}
    AcGePoint2d(double xx, double yy) : x(xx), y(yy) {}
    static const AcGePoint2d kOrigin;

    AcGePoint2d& set(double xx, double yy);
    // Within the global tolerance (AcGeContext::gTol), as isEqualTo.
    bool operator==(const AcGePoint2d& pnt) const { return isEqualTo(pnt); }
    bool operator!=(const AcGePoint2d& pnt) const { return !(*this == pnt); }
    bool isEqualTo(const AcGePoint2d& pnt, const AcGeTol& tol = AcGeContext::gTol) const;
    double distanceTo(const AcGePoint2d& pnt) const;

    double x, y;
};
