// Vectors of the host API's geometry.
#pragma once

#include "adesk.h"
#include "gegbl.h"

class AcGeMatrix3d;

class AcGeVector3d {
public:
    AcGeVector3d() : x(0.0), y(0.0), z(0.0) {}
    AcGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGeVector3d kIdentity;  // (0, 0, 0)
    static const AcGeVector3d kXAxis;
    static const AcGeVector3d kYAxis;
    static const AcGeVector3d kZAxis;

    AcGeVector3d operator+(const AcGeVector3d& vec) const;
    AcGeVector3d& operator+=(const AcGeVector3d& vec);
    AcGeVector3d operator-(const AcGeVector3d& vec) const;
    AcGeVector3d& operator-=(const AcGeVector3d& vec);
    AcGeVector3d operator-() const { return AcGeVector3d(-x, -y, -z); }
    AcGeVector3d& negate();
    AcGeVector3d operator*(double scl) const;
    AcGeVector3d& operator*=(double scl);
    AcGeVector3d operator/(double scl) const;
    AcGeVector3d& operator/=(double scl);
    friend AcGeVector3d operator*(double scl, const AcGeVector3d& vec) { return vec * scl; }
    friend AcGeVector3d operator*(const AcGeMatrix3d& mat, const AcGeVector3d& vec);

    double dotProduct(const AcGeVector3d& vec) const;
    // this x vec (right-handed: kXAxis x kYAxis = kZAxis).
    AcGeVector3d crossProduct(const AcGeVector3d& vec) const;
    double length() const;
    double lengthSqrd() const;
    Adesk::Boolean isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const;
    Adesk::Boolean isUnitLength(const AcGeTol& tol = AcGeContext::gTol) const;
    // Scales to unit length; a vector not longer than tol.equalVector() is
    // left unchanged (it has no direction to keep).
    AcGeVector3d& normalize(const AcGeTol& tol = AcGeContext::gTol);
    AcGeVector3d normal(const AcGeTol& tol = AcGeContext::gTol) const;
    // Turns the vector by `ang` about `axis` (right-hand rule); a zero axis
    // leaves it unchanged.
    AcGeVector3d& rotateBy(double ang, const AcGeVector3d& axis);
    // Applies the linear part of the matrix (no translation).
    AcGeVector3d& transformBy(const AcGeMatrix3d& leftSide);
    double angleTo(const AcGeVector3d& vec) const;

    bool operator==(const AcGeVector3d& vec) const;
    bool operator!=(const AcGeVector3d& vec) const { return !(*this == vec); }
    bool isEqualTo(const AcGeVector3d& vec, const AcGeTol& tol = AcGeContext::gTol) const;
    double operator[](unsigned int i) const;
    double& operator[](unsigned int i);
    AcGeVector3d& set(double xx, double yy, double zz);

    double x, y, z;
};
