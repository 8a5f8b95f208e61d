// Geometry value types of the host API stand-in: points, vectors and 4x4
// transformation matrices in world coordinates, right-handed, angles in
// radians (positive angles turn counter-clockwise seen from the tip of the
// axis). Plain values; any thread.
#pragma once

class AcGeMatrix3d;
class AcGeVector3d;

// Tolerances for comparisons and for the zero-length test of normalisation.
class AcGeTol {
public:
    constexpr AcGeTol() : mEqualPoint(1e-10), mEqualVector(1e-10) {}
    double equalPoint() const { return mEqualPoint; }
    double equalVector() const { return mEqualVector; }
    void setEqualPoint(double val) { mEqualPoint = val; }
    void setEqualVector(double val) { mEqualVector = val; }

private:
    double mEqualPoint;
    double mEqualVector;
};

// The global geometry context: the default tolerance of every operation.
struct AcGeContext {
    static AcGeTol gTol;
};

class AcGePoint2d {
public:
    constexpr AcGePoint2d() : x(0.0), y(0.0) {}
    constexpr AcGePoint2d(double xx, double yy) : x(xx), y(yy) {}
    static const AcGePoint2d kOrigin;

    AcGePoint2d& set(double xx, double yy);
    bool operator==(const AcGePoint2d& pnt) const { return x == pnt.x && y == pnt.y; }
    bool operator!=(const AcGePoint2d& pnt) const { return !(*this == pnt); }
    bool isEqualTo(const AcGePoint2d& pnt, const AcGeTol& tol = AcGeContext::gTol) const;
    double distanceTo(const AcGePoint2d& pnt) const;

    double x, y;
};

class AcGeVector2d {
public:
    constexpr AcGeVector2d() : x(0.0), y(0.0) {}
    constexpr AcGeVector2d(double xx, double yy) : x(xx), y(yy) {}
    double length() const;

    double x, y;
};

class AcGeVector3d {
public:
    constexpr AcGeVector3d() : x(0.0), y(0.0), z(0.0) {}
    constexpr AcGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

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
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isUnitLength(const AcGeTol& tol = AcGeContext::gTol) const;
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

class AcGePoint3d {
public:
    constexpr AcGePoint3d() : x(0.0), y(0.0), z(0.0) {}
    constexpr AcGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

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

// Affine transformation acting on column vectors: p' = M * p, so in A * B
// the transformation B applies first. entry[row][column]; the translation is
// column 3 of rows 0..2.
class AcGeMatrix3d {
public:
    constexpr AcGeMatrix3d()  // the identity
        : entry{{1.0, 0.0, 0.0, 0.0},
                {0.0, 1.0, 0.0, 0.0},
                {0.0, 0.0, 1.0, 0.0},
                {0.0, 0.0, 0.0, 1.0}} {}
    static const AcGeMatrix3d kIdentity;

    AcGeMatrix3d& setToIdentity();
    AcGeMatrix3d operator*(const AcGeMatrix3d& mat) const;
    AcGeMatrix3d& operator*=(const AcGeMatrix3d& mat);
    AcGeMatrix3d& preMultBy(const AcGeMatrix3d& leftSide);
    AcGeMatrix3d& postMultBy(const AcGeMatrix3d& rightSide);

    // Replaces the translation part only; the linear part stays.
    AcGeMatrix3d& setTranslation(const AcGeVector3d& vec);
    AcGeVector3d translation() const;
    AcGeMatrix3d& setToTranslation(const AcGeVector3d& vec);
    // Rotation by `angle` about the line through `center` along `axis`.
    AcGeMatrix3d& setToRotation(double angle, const AcGeVector3d& axis,
                                const AcGePoint3d& center = AcGePoint3d::kOrigin);

    static AcGeMatrix3d translation(const AcGeVector3d& vec);
    static AcGeMatrix3d rotation(double angle, const AcGeVector3d& axis,
                                 const AcGePoint3d& center = AcGePoint3d::kOrigin);

    bool isEqualTo(const AcGeMatrix3d& mat, const AcGeTol& tol = AcGeContext::gTol) const;
    bool operator==(const AcGeMatrix3d& mat) const;
    bool operator!=(const AcGeMatrix3d& mat) const { return !(*this == mat); }
    double operator()(unsigned int row, unsigned int column) const { return entry[row][column]; }
    double& operator()(unsigned int row, unsigned int column) { return entry[row][column]; }

    double entry[4][4];
};
