// The range of views navigation may leave behind, in drawing units. A step
// that would pass a limit takes the view up to the limit and no further; a
// view already outside (one the user set up so, or a field of zero or a
// subnormal size) is brought to the nearest limit by the next step; a step
// whose view would not be finite is not applied. Host's main thread only.
#pragma once

#include <gepnt3d.h>
#include <gevec3d.h>

// Field width and height of a 3D view, view height of a 2D view.
const double kMinViewField = 1e-9;
const double kMaxViewField = 1e12;
// Every coordinate of the camera, its target and a 2D view's centre.
const double kMaxViewCoordinate = 1e15;

// What a 3D step may change of a view.
struct ViewShape {
    ViewShape(const AcGePoint3d& position_, const AcGePoint3d& target_, const AcGeVector3d& up_,
              double width_, double height_)
        : position(position_), target(target_), up(up_), width(width_), height(height_) {}
    AcGePoint3d position;
    AcGePoint3d target;
    AcGeVector3d up;
    double width;
    double height;
};

// The 2D view of a paper-space viewport: its centre (x, y) and view height.
struct View2dShape {
    View2dShape(double x_, double y_, double height_) : x(x_), y(y_), height(height_) {}
    double x;
    double y;
    double height;
};

// Brings `view`, the result of a step from `before`, within the limits:
// the field by one factor for width and height where one fits (so a zoom
// keeps the field's shape), the camera and target along the step up to the
// first coordinate that reaches its limit. A view that would not be finite,
// or would lose its line of sight or up vector, becomes `before` again.
// True when `view` had to be changed.
bool limitView(const ViewShape& before, ViewShape& view);
bool limitView(const View2dShape& before, View2dShape& view);

// True when both are the same view, number for number.
bool isSameView(const ViewShape& a, const ViewShape& b);
bool isSameView(const View2dShape& a, const View2dShape& b);
