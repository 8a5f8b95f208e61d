// Vectors in the plane of the host API's geometry.
#pragma once

class AcGeVector2d {
public:
    AcGeVector2d() : x(0.0), y(0.0) {}
    AcGeVector2d(double xx, double yy) : x(xx), y(yy) {}
    double length() const;

    double x, y;
};
