// Points of the host API's geometry.
#pragma once

#include "gegbl.h"
#include "gevec3d.h"

class AcGePoint3d {
public:
    AcGePoint3d() : x(0.0), y(0.0), z(0.0) {}
    AcGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGePoint3d kOrigin;

    AcGePoint3d operator+(const AcGeVector3d& vec) const;
    AcGePoint3d& operator+=(const AcGeVector3d& vec);
    AcGePoint3d operator-(const AcGeVector3d& vec) const;
    AcGePoint3d& operator-=(const AcGeVector3d& vec);
    AcGeVector3d operator-(const AcGePoint3d& pnt) const;
    AcGePoint3d operator*(double scl) const;
    AcGePoint3d& operator*=(double scl);
    AcGePoint3d operator/(double scl) const;
    AcGePoint3d& operator/=(double scl);
    friend AcGePoint3d operator*(double scl, const AcGePoint3d& pnt) { return pnt * scl; }
    friend AcGePoint3d operator*(const AcGeMatrix3d& mat, const AcGePoint3d& pnt);

    // Turns the point by `angle` about the line through `wrtPoint` along
    // `vec` (right-hand rule); a zero axis leaves it unchanged.
    AcGePoint3d& rotateBy(double angle, const AcGeVector3d& vec,
                          const AcGePoint3d& wrtPoint = AcGePoint3d::kOrigin);
    AcGePoint3d& transformBy(const AcGeMatrix3d& leftSide);
    AcGeVector3d asVector() const { return AcGeVector3d(x, y, z); }
    double distanceTo(const AcGePoint3d& pnt) const;

    bool operator==(const AcGePoint3d& pnt) const;
    bool operator!=(const AcGePoint3d& pnt) const { return !(*this == pnt); }
    bool isEqualTo(const AcGePoint3d& pnt, const AcGeTol& tol = AcGeContext::gTol) const;
    double operator[](unsigned int i) const;
    double& operator[](unsigned int i);
    AcGePoint3d& set(double xx, double yy, double zz);

    double x, y, z;
};
