// The global geometry context of the host API: tolerances of comparisons and
// of the zero-length test of normalisation. Geometry is in world
// coordinates, right-handed, angles in radians (positive angles turn
// counter-clockwise seen from the tip of the axis). Plain values; any thread.
#pragma once

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
