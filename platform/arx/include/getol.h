// Tolerances of the host API's geometry: two points or vectors closer than
// these count as equal. Plain values; any thread.
#pragma once

class AcGeTol {
public:
    AcGeTol() : mEqualPoint(1e-10), mEqualVector(1e-10) {}
    double equalPoint() const { return mEqualPoint; }
    double equalVector() const { return mEqualVector; }
    void setEqualPoint(double val) { mEqualPoint = val; }
    void setEqualVector(double val) { mEqualVector = val; }

private:
    double mEqualPoint;
    double mEqualVector;
};
