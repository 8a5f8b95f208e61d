// Transformation matrices of the host API's geometry.
#pragma once

#include "gepnt3d.h"
#include "gevec3d.h"

// Affine transformation acting on column vectors: p' = M * p, so in A * B
// the transformation B applies first. entry[row][column]; the translation is
// column 3 of rows 0..2.
class AcGeMatrix3d {
public:
    AcGeMatrix3d() {  // the identity
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                entry[row][column] = row == column ? 1.0 : 0.0;
            }
        }
    }
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
