// The range of views navigation may leave behind, in drawing units: a step
// whose view would not be finite, or would pass one of these limits, is not
// applied. A limit that the view had passed already before the step (a view
// the user set up so) holds that view to finite numbers only. Host's main
// thread only.
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

// True when `after` is finite, passes no limit that `before` kept, and still
// has a camera apart from its target and an up vector.
bool isWithinViewLimits(const ViewShape& before, const ViewShape& after);
// The same for a 2D view: its centre (x, y) and view height.
struct View2dShape {
    View2dShape(double x_, double y_, double height_) : x(x_), y(y_), height(height_) {}
    double x;
    double y;
    double height;
};
bool isWithinViewLimits(const View2dShape& before, const View2dShape& after);
