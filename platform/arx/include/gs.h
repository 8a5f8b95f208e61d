// The graphics view class: one live camera per viewport number, read and
// changed during a motion and redrawn with update().
#pragma once

#include "acgs.h"
#include "gepnt3d.h"
#include "gevec3d.h"

// The camera of one viewport. Units are drawing units; the field is the
// extent of the view plane shown, across (width) and up (height). The view
// is owned by the drawing database: callers never delete it.
class AcGsView {
public:
    enum Projection { kParallel = 0, kPerspective = 1 };

    AcGsView(const AcGsView&) = delete;
    AcGsView& operator=(const AcGsView&) = delete;

    AcGePoint3d position() const;  // the camera
    AcGePoint3d target() const;    // the point looked at
    AcGeVector3d upVector() const;
    bool isPerspective() const;
    double fieldWidth() const;
    double fieldHeight() const;

    // Replaces the whole camera in one call.
    void setView(const AcGePoint3d& position, const AcGePoint3d& target,
                 const AcGeVector3d& upVector, double fieldWidth, double fieldHeight,
                 Projection projection = kParallel);
    // Divides the field width and height by `factor`: a factor above 1 shows
    // the drawing larger. A factor that is not a positive finite number is
    // ignored.
    void zoom(double factor);
    // Redraws the view: costs one frame of the clock and writes a `view`
    // transcript event.
    void update();
    // False when the camera is degenerate (not finite, camera on the target,
    // no up direction, empty field) or the world marks the view invalid.
    bool isValid() const;

    int viewportNumber() const { return mVportNum; }

private:
    friend struct AcGsViewAccess;
    explicit AcGsView(int vportNum);
    ~AcGsView() = default;

    int mVportNum;
    AcGePoint3d mPosition;
    AcGePoint3d mTarget;
    AcGeVector3d mUp;
    double mFieldWidth;
    double mFieldHeight;
    Projection mProjection;
};
