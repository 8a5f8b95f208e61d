// Drawing database of the host API: object ids, objects and entities opened
// by id for read or write and closed again, and entity names. Host main
// thread only. The stand-in's drawing is built and read back through its
// control header.
#pragma once

#include "acadstrc.h"
#include "acdb.h"
#include "adesk.h"
#include "adsdef.h"
#include "dbid.h"
#include "gemat3d.h"
#include "gepnt3d.h"
#include "rxclass.h"

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
    AcDbObjectId objectId() const { return mId; }
    Adesk::Boolean isReadEnabled() const;
    Adesk::Boolean isWriteEnabled() const;
    // Ends one open; eNotOpenForRead when the object is not open.
    Acad::ErrorStatus close();
    // Called before a change: the object must be open for write. The stand-in
    // keeps no undo record, and ends the process when the object is not.
    void assertWriteEnabled(Adesk::Boolean autoUndo = true, Adesk::Boolean recordModified = true);

protected:
    AcDbObject() : mReaders(0), mIsWriter(false), mIsErased(false) {}

private:
    AcDbObject(const AcDbObject&);
    AcDbObject& operator=(const AcDbObject&);

    friend struct AcDbObjectAccess;
    AcDbObjectId mId;
    int mReaders;
    bool mIsWriter;
    bool mIsErased;
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
    AcDbEntity() {}

private:
    friend struct AcDbObjectAccess;
    virtual void applyTransform(const AcGeMatrix3d& xform);
    virtual AcDbExtents extents() const;
};

// Opens object `id`. Failures: eNullObjectId / eKeyNotFound for an unknown
// id, eWasErased, eWasOpenForWrite / eWasOpenForRead when another open
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
    pObj = NULL;
    AcDbObject* obj = NULL;
    const Acad::ErrorStatus es = acdbOpenAcDbObject(obj, id, mode, openErased);
    if (es != Acad::eOk) {
        return es;
    }
    pObj = T::cast(obj);
    if (pObj == NULL) {
        obj->close();
        return Acad::eIllegalEntityType;
    }
    return Acad::eOk;
}

// The object id of the entity named `objName`; eInvalidInput for a name that
// is not an entity's.
Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName);
