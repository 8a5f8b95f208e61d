// The range of views navigation may leave behind, in drawing units: a step
// whose view would not be finite, or would pass one of these limits, is not
// applied. A limit that the view had passed already before the step (a view
// the user set up so) holds that view to finite numbers only. Host's main
// thread only.
#pragma once

#include <gepnt3d.h>
#include <gevec3d.h>

// Field width and height of a 3D view, view height of a 2D view.
inline constexpr double kMinViewField = 1e-9;
inline constexpr double kMaxViewField = 1e12;
// Every coordinate of the camera, its target and a 2D view's centre.
inline constexpr double kMaxViewCoordinate = 1e15;

// What a 3D step may change of a view.
struct ViewShape {
    AcGePoint3d position;
    AcGePoint3d target;
    AcGeVector3d up;
    double width = 0.0;
    double height = 0.0;
};

// True when `after` is finite, passes no limit that `before` kept, and still
// has a camera apart from its target and an up vector.
bool isWithinViewLimits(const ViewShape& before, const ViewShape& after);
// The same for a 2D view: its centre (x, y) and view height.
struct View2dShape {
    double x = 0.0;
    double y = 0.0;
    double height = 0.0;
};
bool isWithinViewLimits(const View2dShape& before, const View2dShape& after);
