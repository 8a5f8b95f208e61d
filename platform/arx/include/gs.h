// The graphics view class: one live camera per viewport number, read and
// changed during a motion and redrawn with update().
#pragma once

#include "acgs.h"
#include "gepnt3d.h"
#include "gevec3d.h"

// The SDK's own headers use Windows types without including <windows.h>, so
// a module includes it first. This header needs LONG_PTR: the line below
// fails for a module that does not, as the SDK's header fails there.
typedef LONG_PTR LONG_PTR;

// The camera of one viewport. Units are drawing units; the field is the
// extent of the view plane shown, across (width) and up (height). The host
// owns its views: callers never delete one.
class AcGsView {
public:
    enum Projection { kParallel = 0, kPerspective = 1 };

    virtual ~AcGsView() {}

    virtual AcGePoint3d position() const = 0;  // the camera
    virtual AcGePoint3d target() const = 0;    // the point looked at
    virtual AcGeVector3d upVector() const = 0;
    virtual bool isPerspective() const = 0;
    virtual double fieldWidth() const = 0;
    virtual double fieldHeight() const = 0;

    // Replaces the whole camera in one call.
    virtual void setView(const AcGePoint3d& position, const AcGePoint3d& target,
                         const AcGeVector3d& upVector, double fieldWidth, double fieldHeight,
                         Projection projection = kParallel) = 0;
    // Divides the field width and height by `factor`: a factor above 1 shows
    // the drawing larger. A factor that is not a positive finite number is
    // ignored.
    virtual void zoom(double factor) = 0;
    // Redraws the view: costs one frame of the clock and writes a `view`
    // transcript event.
    virtual void update() = 0;
    // False when the camera is degenerate (not finite, camera on the target,
    // no up direction, empty field) or the world marks the view invalid.
    virtual bool isValid() const = 0;
};
