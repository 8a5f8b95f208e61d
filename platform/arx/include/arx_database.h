// Drawing database of the host API stand-in: entities (lines, circles, the
// paper-space viewport) opened by id for read or write and closed again,
// entity names and the pickfirst selection set, redraws. Host main thread
// only, like the host's database. The drawing itself is built and read back
// through arx_world_control.h.
#pragma once

#include "arx_core.h"
#include "arx_geometry.h"

namespace AcDb {
enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };
}  // namespace AcDb

// Axis-aligned box in world coordinates.
class AcDbExtents {
public:
    AcDbExtents();
    AcDbExtents(const AcGePoint3d& min, const AcGePoint3d& max);
    AcGePoint3d minPoint() const { return mMin; }
    AcGePoint3d maxPoint() const { return mMax; }
    Acad::ErrorStatus set(const AcGePoint3d& min, const AcGePoint3d& max);
    void addPoint(const AcGePoint3d& pt);

private:
    AcGePoint3d mMin;
    AcGePoint3d mMax;
};

// An object of the drawing database. Objects belong to the database: a
// caller opens one with acdbOpenAcDbObject / acdbOpenAcDbEntity and gives it
// back with close(), never delete. Several readers or one writer at a time.
class AcDbObject : public AcRxObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbObject);
    AcDbObject(const AcDbObject&) = delete;
    AcDbObject& operator=(const AcDbObject&) = delete;

    AcDbObjectId objectId() const { return mId; }
    bool isReadEnabled() const;
    bool isWriteEnabled() const;
    // Ends one open; eNotOpenForRead when the object is not open.
    Acad::ErrorStatus close();

protected:
    AcDbObject() = default;
    // eNotOpenForWrite unless the caller holds the object open for write.
    Acad::ErrorStatus assertWriteEnabled() const;

private:
    friend struct AcDbObjectAccess;
    AcDbObjectId mId;
    int mReaders = 0;
    bool mIsWriter = false;
    bool mIsErased = false;
};

class AcDbEntity : public AcDbObject {
public:
    ACRX_DECLARE_MEMBERS(AcDbEntity);
    // Smallest axis-aligned box around the entity, world coordinates.
    virtual Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const;
    // Applies a rigid transformation; needs the entity open for write.
    // Writes an `entity` transcript event.
    virtual Acad::ErrorStatus transformBy(const AcGeMatrix3d& xform);

protected:
    AcDbEntity() = default;

private:
    friend struct AcDbObjectAccess;
    virtual void applyTransform(const AcGeMatrix3d& xform);
    virtual AcDbExtents extents() const;
};

class AcDbCurve : public AcDbEntity {
public:
    ACRX_DECLARE_MEMBERS(AcDbCurve);
    virtual Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    virtual Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;

protected:
    AcDbCurve() = default;
};

class AcDbLine : public AcDbCurve {
public:
    ACRX_DECLARE_MEMBERS(AcDbLine);
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end);
    AcGePoint3d startPoint() const;
    AcGePoint3d endPoint() const;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;

private:
    friend struct AcDbObjectAccess;
    void applyTransform(const AcGeMatrix3d& xform) override;
    AcDbExtents extents() const override;
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
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const override;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const override;

private:
    friend struct AcDbObjectAccess;
    void applyTransform(const AcGeMatrix3d& xform) override;
    AcDbExtents extents() const override;
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
    AcDbExtents extents() const override;
    double mWidth = 400.0;
    double mHeight = 300.0;
    double mViewHeight = 150.0;
    AcGePoint2d mViewCenter;
};

// Opens object `id`. Failures: eNullObjectId / eKeyNotFound for an unknown
// id, eWasErased, eWasOpenedForWrite / eWasOpenedForRead when another open
// is in the way, eNoDocument without a current drawing, eLockViolation for a
// write while the current drawing is not locked for write, eOnLockedLayer
// for a write to an entity on a locked layer. pObj is null on failure.
Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErasedObject = false);
Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErasedEntity = false);
// Opens `id` as a T; eIllegalEntityType when the object is of another class.
template <class T>
Acad::ErrorStatus acdbOpenObject(T*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                 bool openErased = false) {
    pObj = nullptr;
    AcDbObject* obj = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbObject(obj, id, mode, openErased);
    if (es != Acad::eOk) {
        return es;
    }
    pObj = T::cast(obj);
    if (pObj == nullptr) {
        obj->close();
        return Acad::eIllegalEntityType;
    }
    return Acad::eOk;
}

// Opens an object for the life of the pointer and closes it at the end.
template <class T>
class AcDbObjectPointer {
public:
    AcDbObjectPointer(AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false)
        : mStatus(acdbOpenObject(mObj, id, mode, openErased)) {}
    ~AcDbObjectPointer() { close(); }
    AcDbObjectPointer(const AcDbObjectPointer&) = delete;
    AcDbObjectPointer& operator=(const AcDbObjectPointer&) = delete;

    Acad::ErrorStatus openStatus() const { return mStatus; }
    T* object() const { return mObj; }
    T* operator->() const { return mObj; }
    operator T*() const { return mObj; }
    Acad::ErrorStatus close() {
        if (mObj == nullptr) {
            return Acad::eNullObjectPointer;
        }
        const Acad::ErrorStatus es = mObj->close();
        mObj = nullptr;
        mStatus = Acad::eNullObjectPointer;
        return es;
    }

private:
    T* mObj = nullptr;
    Acad::ErrorStatus mStatus;
};

// The object id of the entity named `objName`; eInvalidInput for a name that
// is not an entity's.
Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName);

// Selection sets. acedSSGet supports the mode "I" (the pickfirst selection,
// no further arguments): RTNORM and a new set when something is selected,
// RTERROR otherwise (nothing selected, no drawing, another mode). Every set
// handed out must be freed with acedSSFree.
int acedSSGet(const ACHAR* str, const void* pt1, const void* pt2, const struct resbuf* filter,
              ads_name ss);
int acedSSLength(const ads_name sname, long* len);
// Entity name of member `i`; RTERROR for an unknown set or index.
int acedSSName(const ads_name ss, long i, ads_name entres);
// RTERROR for a set that is not handed out (already freed).
int acedSSFree(const ads_name sname);

// Redraws one entity (mode 1: draw it); a `redraw` transcript event.
int acedRedraw(const ads_name ent, int mode);

// The viewport the user works in: in a layout, its paper-space viewport.
AcDbObjectId acedActiveViewportId();
