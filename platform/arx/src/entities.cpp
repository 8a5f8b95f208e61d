// Objects of the stand-in's drawing database: extents, the open state of
// objects, entity transformation, lines, circles and the paper-space
// viewport.
#include "drawing_db.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "transcript.h"
#include "win32_control.h"

using arxsim::db::charge;
using arxsim::db::chargeFrame;
using arxsim::db::drawing;
using arxsim::db::DrawingDb;
using arxsim::db::entityIndex;
using arxsim::db::rowMajor;

// ---- AcDbExtents ---------------------------------------------------------------------

AcDbExtents::AcDbExtents() = default;

AcDbExtents::AcDbExtents(const AcGePoint3d& min, const AcGePoint3d& max) : mMin(min), mMax(max) {}

Acad::ErrorStatus AcDbExtents::set(const AcGePoint3d& min, const AcGePoint3d& max) {
    if (min.x > max.x || min.y > max.y || min.z > max.z) {
        return Acad::eInvalidInput;
    }
    mMin = min;
    mMax = max;
    return Acad::eOk;
}

void AcDbExtents::addPoint(const AcGePoint3d& pt) {
    mMin.set(std::fmin(mMin.x, pt.x), std::fmin(mMin.y, pt.y), std::fmin(mMin.z, pt.z));
    mMax.set(std::fmax(mMax.x, pt.x), std::fmax(mMax.y, pt.y), std::fmax(mMax.z, pt.z));
}

// ---- AcDbObject ----------------------------------------------------------------------

Adesk::Boolean AcDbObject::isReadEnabled() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return AcDbObjectAccess::readable(*this);
}

Adesk::Boolean AcDbObject::isWriteEnabled() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return AcDbObjectAccess::writable(*this);
}

Acad::ErrorStatus AcDbObject::close() {
    charge();
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    const Acad::ErrorStatus es = AcDbObjectAccess::close(*this);
    if (es == Acad::eOk) {
        ++w.balances.closes;
    }
    return es;
}

void AcDbObject::assertWriteEnabled(Adesk::Boolean, Adesk::Boolean) {
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::writable(*this)) {
        std::fputs("arxsim: assertWriteEnabled on an object not open for write\n", stderr);
        std::abort();
    }
}

// ---- AcDbEntity ----------------------------------------------------------------------

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents& extents) const {
    charge();
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::readable(*this)) {
        return Acad::eNotOpenForRead;
    }
    extents = this->extents();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::transformBy(const AcGeMatrix3d& xform) {
    charge();
    DrawingDb& w = drawing();
    int index = -1;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        if (!AcDbObjectAccess::writable(*this)) {
            return Acad::eNotOpenForWrite;
        }
        applyTransform(xform);
        index = entityIndex(w, objectId());
        if (index >= 0) {
            ++w.transforms[index];
        }
    }
    transcript::emit("entity",
                     transcript::Fields().integer("id", index).numbers("matrix", rowMajor(xform)));
    return Acad::eOk;
}

void AcDbEntity::applyTransform(const AcGeMatrix3d&) {}

AcDbExtents AcDbEntity::extents() const {
    return AcDbExtents();
}

// ---- Curves --------------------------------------------------------------------------

Acad::ErrorStatus AcDbCurve::getStartPoint(AcGePoint3d&) const {
    return Acad::eNotApplicable;
}

Acad::ErrorStatus AcDbCurve::getEndPoint(AcGePoint3d&) const {
    return Acad::eNotApplicable;
}

AcDbLine::AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end) : mStart(start), mEnd(end) {}

AcGePoint3d AcDbLine::startPoint() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mStart;
}

AcGePoint3d AcDbLine::endPoint() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mEnd;
}

Acad::ErrorStatus AcDbLine::getStartPoint(AcGePoint3d& point) const {
    charge();
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::readable(*this)) {
        return Acad::eNotOpenForRead;
    }
    point = mStart;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getEndPoint(AcGePoint3d& point) const {
    charge();
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::readable(*this)) {
        return Acad::eNotOpenForRead;
    }
    point = mEnd;
    return Acad::eOk;
}

void AcDbLine::applyTransform(const AcGeMatrix3d& xform) {
    mStart.transformBy(xform);
    mEnd.transformBy(xform);
}

AcDbExtents AcDbLine::extents() const {
    AcDbExtents e(mStart, mStart);
    e.addPoint(mEnd);
    return e;
}

AcDbCircle::AcDbCircle(const AcGePoint3d& center, const AcGeVector3d& normal, double radius)
    : mCenter(center), mNormal(normal.normal()), mRadius(radius) {}

AcGePoint3d AcDbCircle::center() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mCenter;
}

AcGeVector3d AcDbCircle::normal() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mNormal;
}

double AcDbCircle::radius() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mRadius;
}

namespace {

// A unit vector in the circle's plane: the direction of angle 0.
AcGeVector3d planeXAxis(const AcGeVector3d& normal) {
    // The arbitrary-axis rule of drawing formats: close to world Z, use
    // world Y x N, otherwise world Z x N.
    const AcGeVector3d helper = (std::fabs(normal.x) < 1.0 / 64 && std::fabs(normal.y) < 1.0 / 64)
                                    ? AcGeVector3d::kYAxis
                                    : AcGeVector3d::kZAxis;
    return helper.crossProduct(normal).normal();
}

}  // namespace

Acad::ErrorStatus AcDbCircle::getStartPoint(AcGePoint3d& point) const {
    charge();
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::readable(*this)) {
        return Acad::eNotOpenForRead;
    }
    point = mCenter + planeXAxis(mNormal) * mRadius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::getEndPoint(AcGePoint3d& point) const {
    return getStartPoint(point);
}

void AcDbCircle::applyTransform(const AcGeMatrix3d& xform) {
    // Rigid motions keep the radius; a uniform scale scales it.
    const AcGeVector3d inPlane = planeXAxis(mNormal) * mRadius;
    AcGeVector3d moved = inPlane;
    moved.transformBy(xform);
    mCenter.transformBy(xform);
    mNormal.transformBy(xform);
    mNormal.normalize();
    mRadius = moved.length();
}

AcDbExtents AcDbCircle::extents() const {
    // Per axis the circle reaches r * sqrt(1 - n_i^2) from its centre.
    auto reach = [this](double n) { return mRadius * std::sqrt(std::fmax(0.0, 1.0 - n * n)); };
    const AcGeVector3d d(reach(mNormal.x), reach(mNormal.y), reach(mNormal.z));
    return AcDbExtents(mCenter - d, mCenter + d);
}

// ---- AcDbViewport ------------------------------------------------------------------

AcDbViewport::AcDbViewport() : mWidth(400.0), mHeight(300.0), mViewHeight(150.0) {}

double AcDbViewport::width() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mWidth;
}

double AcDbViewport::height() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mHeight;
}

Acad::ErrorStatus AcDbViewport::setWidth(double width) {
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::writable(*this)) {
        return Acad::eNotOpenForWrite;
    }
    mWidth = width;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::setHeight(double height) {
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::writable(*this)) {
        return Acad::eNotOpenForWrite;
    }
    mHeight = height;
    return Acad::eOk;
}

double AcDbViewport::viewHeight() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mViewHeight;
}

AcGePoint2d AcDbViewport::viewCenter() const {
    std::lock_guard<std::mutex> guard(drawing().lock);
    return mViewCenter;
}

Acad::ErrorStatus AcDbViewport::setViewHeight(double height) {
    charge();
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::writable(*this)) {
        return Acad::eNotOpenForWrite;
    }
    if (!(std::isfinite(height) && height > 0.0)) {
        return Acad::eInvalidInput;
    }
    mViewHeight = height;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::setViewCenter(const AcGePoint2d& center) {
    charge();
    std::lock_guard<std::mutex> guard(drawing().lock);
    if (!AcDbObjectAccess::writable(*this)) {
        return Acad::eNotOpenForWrite;
    }
    if (!(std::isfinite(center.x) && std::isfinite(center.y))) {
        return Acad::eInvalidInput;
    }
    mViewCenter = center;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::updateDisplay() const {
    DrawingDb& w = drawing();
    transcript::Fields fields;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        ++w.paperUpdates;
        fields.numbers("center", {mViewCenter.x, mViewCenter.y}).num("height", mViewHeight);
    }
    transcript::emit("paper_view", fields);
    chargeFrame();
    return Acad::eOk;
}

AcDbExtents AcDbViewport::extents() const {
    const double halfH = mViewHeight / 2.0;
    const double halfW = mHeight > 0.0 ? mWidth / mHeight * halfH : 0.0;
    return AcDbExtents(AcGePoint3d(mViewCenter.x - halfW, mViewCenter.y - halfH, 0.0),
                       AcGePoint3d(mViewCenter.x + halfW, mViewCenter.y + halfH, 0.0));
}
