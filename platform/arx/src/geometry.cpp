// Geometry value types of the host API stand-in: vector algebra, rotations
// about arbitrary axes (Rodrigues' formula) and affine 4x4 matrices.
#include "gemat3d.h"
#include "gepnt2d.h"
#include "gevec2d.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

AcGeTol AcGeContext::gTol;

const AcGePoint2d AcGePoint2d::kOrigin(0.0, 0.0);
const AcGeVector3d AcGeVector3d::kIdentity(0.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kXAxis(1.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kYAxis(0.0, 1.0, 0.0);
const AcGeVector3d AcGeVector3d::kZAxis(0.0, 0.0, 1.0);
const AcGePoint3d AcGePoint3d::kOrigin(0.0, 0.0, 0.0);
const AcGeMatrix3d AcGeMatrix3d::kIdentity;

namespace {

// The host's points and vectors index their coordinates as an array: an index
// past 2 reads or writes beyond the object. The stand-in stops there.
template <class Coordinates>
auto& coordinate(Coordinates& c, unsigned int i, const char* type) {
    if (i > 2) {
        std::fprintf(stderr, "arxsim: %s index %u out of range\n", type, i);
        std::abort();
    }
    return i == 0 ? c.x : (i == 1 ? c.y : c.z);
}

// Linear part of a rotation by `angle` about the unit vector `k`:
// R v = v cos + (k x v) sin + k (k . v) (1 - cos).
void rotationLinear(double angle, const AcGeVector3d& k, double r[3][3]) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    r[0][0] = t * k.x * k.x + c;
    r[0][1] = t * k.x * k.y - s * k.z;
    r[0][2] = t * k.x * k.z + s * k.y;
    r[1][0] = t * k.x * k.y + s * k.z;
    r[1][1] = t * k.y * k.y + c;
    r[1][2] = t * k.y * k.z - s * k.x;
    r[2][0] = t * k.x * k.z - s * k.y;
    r[2][1] = t * k.y * k.z + s * k.x;
    r[2][2] = t * k.z * k.z + c;
}

AcGeVector3d applyLinear(const double r[3][3], const AcGeVector3d& v) {
    return AcGeVector3d(r[0][0] * v.x + r[0][1] * v.y + r[0][2] * v.z,
                        r[1][0] * v.x + r[1][1] * v.y + r[1][2] * v.z,
                        r[2][0] * v.x + r[2][1] * v.y + r[2][2] * v.z);
}

// The unit axis of a rotation, or false when the axis has no direction.
bool unitAxis(const AcGeVector3d& axis, AcGeVector3d& k) {
    const double len = axis.length();
    if (!(len > AcGeContext::gTol.equalVector())) {
        return false;
    }
    k = axis / len;
    return true;
}

}  // namespace

// ---- AcGePoint2d / AcGeVector2d ----------------------------------------------

AcGePoint2d& AcGePoint2d::set(double xx, double yy) {
    x = xx;
    y = yy;
    return *this;
}

bool AcGePoint2d::isEqualTo(const AcGePoint2d& pnt, const AcGeTol& tol) const {
    return distanceTo(pnt) <= tol.equalPoint();
}

double AcGePoint2d::distanceTo(const AcGePoint2d& pnt) const {
    return std::hypot(x - pnt.x, y - pnt.y);
}

double AcGeVector2d::length() const {
    return std::hypot(x, y);
}

// ---- AcGeVector3d ------------------------------------------------------------

AcGeVector3d AcGeVector3d::operator+(const AcGeVector3d& vec) const {
    return AcGeVector3d(x + vec.x, y + vec.y, z + vec.z);
}

AcGeVector3d& AcGeVector3d::operator+=(const AcGeVector3d& vec) {
    return *this = *this + vec;
}

AcGeVector3d AcGeVector3d::operator-(const AcGeVector3d& vec) const {
    return AcGeVector3d(x - vec.x, y - vec.y, z - vec.z);
}

AcGeVector3d& AcGeVector3d::operator-=(const AcGeVector3d& vec) {
    return *this = *this - vec;
}

AcGeVector3d& AcGeVector3d::negate() {
    return *this = -*this;
}

AcGeVector3d AcGeVector3d::operator*(double scl) const {
    return AcGeVector3d(x * scl, y * scl, z * scl);
}

AcGeVector3d& AcGeVector3d::operator*=(double scl) {
    return *this = *this * scl;
}

AcGeVector3d AcGeVector3d::operator/(double scl) const {
    return AcGeVector3d(x / scl, y / scl, z / scl);
}

AcGeVector3d& AcGeVector3d::operator/=(double scl) {
    return *this = *this / scl;
}

AcGeVector3d operator*(const AcGeMatrix3d& mat, const AcGeVector3d& vec) {
    AcGeVector3d v(vec);
    return v.transformBy(mat);
}

double AcGeVector3d::dotProduct(const AcGeVector3d& vec) const {
    return x * vec.x + y * vec.y + z * vec.z;
}

AcGeVector3d AcGeVector3d::crossProduct(const AcGeVector3d& vec) const {
    return AcGeVector3d(y * vec.z - z * vec.y, z * vec.x - x * vec.z, x * vec.y - y * vec.x);
}

double AcGeVector3d::length() const {
    return std::sqrt(lengthSqrd());
}

double AcGeVector3d::lengthSqrd() const {
    return x * x + y * y + z * z;
}

Adesk::Boolean AcGeVector3d::isZeroLength(const AcGeTol& tol) const {
    return length() <= tol.equalVector();
}

Adesk::Boolean AcGeVector3d::isUnitLength(const AcGeTol& tol) const {
    return std::fabs(length() - 1.0) <= tol.equalVector();
}

AcGeVector3d& AcGeVector3d::normalize(const AcGeTol& tol) {
    const double len = length();
    if (len > tol.equalVector()) {
        *this /= len;
    }
    return *this;
}

AcGeVector3d AcGeVector3d::normal(const AcGeTol& tol) const {
    AcGeVector3d v(*this);
    return v.normalize(tol);
}

AcGeVector3d& AcGeVector3d::rotateBy(double ang, const AcGeVector3d& axis) {
    AcGeVector3d k;
    if (!unitAxis(axis, k)) {
        return *this;
    }
    double r[3][3];
    rotationLinear(ang, k, r);
    return *this = applyLinear(r, *this);
}

AcGeVector3d& AcGeVector3d::transformBy(const AcGeMatrix3d& m) {
    const double(*e)[4] = m.entry;
    return set(e[0][0] * x + e[0][1] * y + e[0][2] * z, e[1][0] * x + e[1][1] * y + e[1][2] * z,
               e[2][0] * x + e[2][1] * y + e[2][2] * z);
}

double AcGeVector3d::angleTo(const AcGeVector3d& vec) const {
    return std::atan2(crossProduct(vec).length(), dotProduct(vec));
}

bool AcGeVector3d::operator==(const AcGeVector3d& vec) const {
    return isEqualTo(vec);
}

bool AcGeVector3d::isEqualTo(const AcGeVector3d& vec, const AcGeTol& tol) const {
    return (*this - vec).length() <= tol.equalVector();
}

double AcGeVector3d::operator[](unsigned int i) const {
    return coordinate(*this, i, "AcGeVector3d");
}

double& AcGeVector3d::operator[](unsigned int i) {
    return coordinate(*this, i, "AcGeVector3d");
}

AcGeVector3d& AcGeVector3d::set(double xx, double yy, double zz) {
    x = xx;
    y = yy;
    z = zz;
    return *this;
}

// ---- AcGePoint3d -------------------------------------------------------------

AcGePoint3d AcGePoint3d::operator+(const AcGeVector3d& vec) const {
    return AcGePoint3d(x + vec.x, y + vec.y, z + vec.z);
}

AcGePoint3d& AcGePoint3d::operator+=(const AcGeVector3d& vec) {
    return *this = *this + vec;
}

AcGePoint3d AcGePoint3d::operator-(const AcGeVector3d& vec) const {
    return AcGePoint3d(x - vec.x, y - vec.y, z - vec.z);
}

AcGePoint3d& AcGePoint3d::operator-=(const AcGeVector3d& vec) {
    return *this = *this - vec;
}

AcGeVector3d AcGePoint3d::operator-(const AcGePoint3d& pnt) const {
    return AcGeVector3d(x - pnt.x, y - pnt.y, z - pnt.z);
}

AcGePoint3d AcGePoint3d::operator*(double scl) const {
    return AcGePoint3d(x * scl, y * scl, z * scl);
}

AcGePoint3d& AcGePoint3d::operator*=(double scl) {
    return *this = *this * scl;
}

AcGePoint3d AcGePoint3d::operator/(double scl) const {
    return AcGePoint3d(x / scl, y / scl, z / scl);
}

AcGePoint3d& AcGePoint3d::operator/=(double scl) {
    return *this = *this / scl;
}

AcGePoint3d operator*(const AcGeMatrix3d& mat, const AcGePoint3d& pnt) {
    AcGePoint3d p(pnt);
    return p.transformBy(mat);
}

AcGePoint3d& AcGePoint3d::rotateBy(double angle, const AcGeVector3d& vec,
                                   const AcGePoint3d& wrtPoint) {
    AcGeVector3d k;
    if (!unitAxis(vec, k)) {
        return *this;
    }
    double r[3][3];
    rotationLinear(angle, k, r);
    return *this = wrtPoint + applyLinear(r, *this - wrtPoint);
}

AcGePoint3d& AcGePoint3d::transformBy(const AcGeMatrix3d& m) {
    const double(*e)[4] = m.entry;
    return set(e[0][0] * x + e[0][1] * y + e[0][2] * z + e[0][3],
               e[1][0] * x + e[1][1] * y + e[1][2] * z + e[1][3],
               e[2][0] * x + e[2][1] * y + e[2][2] * z + e[2][3]);
}

double AcGePoint3d::distanceTo(const AcGePoint3d& pnt) const {
    return (*this - pnt).length();
}

bool AcGePoint3d::operator==(const AcGePoint3d& pnt) const {
    return isEqualTo(pnt);
}

bool AcGePoint3d::isEqualTo(const AcGePoint3d& pnt, const AcGeTol& tol) const {
    return distanceTo(pnt) <= tol.equalPoint();
}

double AcGePoint3d::operator[](unsigned int i) const {
    return coordinate(*this, i, "AcGePoint3d");
}

double& AcGePoint3d::operator[](unsigned int i) {
    return coordinate(*this, i, "AcGePoint3d");
}

AcGePoint3d& AcGePoint3d::set(double xx, double yy, double zz) {
    x = xx;
    y = yy;
    z = zz;
    return *this;
}

// ---- AcGeMatrix3d ------------------------------------------------------------

AcGeMatrix3d& AcGeMatrix3d::setToIdentity() {
    return *this = AcGeMatrix3d();
}

AcGeMatrix3d AcGeMatrix3d::operator*(const AcGeMatrix3d& mat) const {
    AcGeMatrix3d out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += entry[i][k] * mat.entry[k][j];
            }
            out.entry[i][j] = sum;
        }
    }
    return out;
}

AcGeMatrix3d& AcGeMatrix3d::operator*=(const AcGeMatrix3d& mat) {
    return *this = *this * mat;
}

AcGeMatrix3d& AcGeMatrix3d::preMultBy(const AcGeMatrix3d& leftSide) {
    return *this = leftSide * *this;
}

AcGeMatrix3d& AcGeMatrix3d::postMultBy(const AcGeMatrix3d& rightSide) {
    return *this = *this * rightSide;
}

AcGeMatrix3d& AcGeMatrix3d::setTranslation(const AcGeVector3d& vec) {
    entry[0][3] = vec.x;
    entry[1][3] = vec.y;
    entry[2][3] = vec.z;
    return *this;
}

AcGeVector3d AcGeMatrix3d::translation() const {
    return AcGeVector3d(entry[0][3], entry[1][3], entry[2][3]);
}

AcGeMatrix3d& AcGeMatrix3d::setToTranslation(const AcGeVector3d& vec) {
    setToIdentity();
    return setTranslation(vec);
}

AcGeMatrix3d& AcGeMatrix3d::setToRotation(double angle, const AcGeVector3d& axis,
                                          const AcGePoint3d& center) {
    setToIdentity();
    AcGeVector3d k;
    if (!unitAxis(axis, k)) {
        return *this;
    }
    double r[3][3];
    rotationLinear(angle, k, r);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            entry[i][j] = r[i][j];
        }
    }
    // p' = R (p - c) + c, so the translation is c - R c.
    const AcGeVector3d c = center.asVector();
    return setTranslation(c - applyLinear(r, c));
}

AcGeMatrix3d AcGeMatrix3d::translation(const AcGeVector3d& vec) {
    AcGeMatrix3d m;
    return m.setToTranslation(vec);
}

AcGeMatrix3d AcGeMatrix3d::rotation(double angle, const AcGeVector3d& axis,
                                    const AcGePoint3d& center) {
    AcGeMatrix3d m;
    return m.setToRotation(angle, axis, center);
}

bool AcGeMatrix3d::isEqualTo(const AcGeMatrix3d& mat, const AcGeTol& tol) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (std::fabs(entry[i][j] - mat.entry[i][j]) > tol.equalVector()) {
                return false;
            }
        }
    }
    return true;
}

bool AcGeMatrix3d::operator==(const AcGeMatrix3d& mat) const {
    return isEqualTo(mat);
}
