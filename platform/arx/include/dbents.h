// Entities of the drawing database: lines, circles and viewports.
#pragma once

#include "dbcurve.h"
#include "dbmain.h"
#include "gepnt2d.h"

class AcDbLine : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbLine);
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end);
    AcGePoint3d startPoint() const;
    AcGePoint3d endPoint() const;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;

private:
    friend struct AcDbObjectAccess;
    void applyTransform(const AcGeMatrix3d& xform);
    AcDbExtents extents() const;
    AcGePoint3d mStart;
    AcGePoint3d mEnd;
};

class AcDbCircle : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbCircle);
    AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius);
    AcGePoint3d center() const;
    AcGeVector3d normal() const;
    double radius() const;
    // A closed curve starts and ends at the point at angle 0 of its plane.
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;

private:
    friend struct AcDbObjectAccess;
    void applyTransform(const AcGeMatrix3d& xform);
    AcDbExtents extents() const;
    AcGePoint3d mCenter;
    AcGeVector3d mNormal;
    double mRadius;
};

// A viewport of a layout. The active paper-space viewport shows the sheet:
// its view centre and view height are in drawing units, width and height
// give its size on the sheet (only their ratio matters for the view).
class AcDbViewport : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbViewport);
    AcDbViewport();
    double width() const;
    double height() const;
    Acad::ErrorStatus setWidth(double width);
    Acad::ErrorStatus setHeight(double height);
    double viewHeight() const;
    AcGePoint2d viewCenter() const;
    // Both need the viewport open for write; a height that is not a positive
    // finite number, or a centre that is not finite, gives eInvalidInput.
    Acad::ErrorStatus setViewHeight(double height);
    Acad::ErrorStatus setViewCenter(const AcGePoint2d& center);
    // Shows the viewport's view: costs one frame of the clock and writes a
    // `paper_view` transcript event.
    Acad::ErrorStatus updateDisplay() const;

private:
    friend struct AcDbObjectAccess;
    AcDbExtents extents() const;
    double mWidth;
    double mHeight;
    double mViewHeight;
    AcGePoint2d mViewCenter;
};
