// Graphics views of the host API stand-in: one live camera per viewport
// number, read and changed by the plug-in during a motion, redrawn with
// update() and written back into the viewport with acgsSetViewParameters().
// Host main thread only, like the host's own graphics system.
#pragma once

#include "arx_geometry.h"

// The camera of one viewport. Units are drawing units; the field is the
// extent of the view plane shown, across (width) and up (height). The view
// is owned by the drawing world: callers never delete it.
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

// The graphics view of viewport `viewportNumber`; with bCreateIfNone a
// missing one is made from the viewport's stored view. Null when there is
// none (or the world refuses views).
AcGsView* acgsGetGsView(int viewportNumber, bool bCreateIfNone);

// Writes the view's camera into the viewport's stored view (`view_saved`
// event). False for a null view.
bool acgsSetViewParameters(int viewportNumber, const AcGsView* pView, bool bRegenRequired,
                           bool bRescaleViewports, bool bSyncViewports = false);
