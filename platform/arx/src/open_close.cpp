// Opening the drawing's objects by id, entity names and the active
// viewport.
#include "drawing_db.h"

#include "arx_control.h"

using arxsim::db::charge;
using arxsim::db::docLockedForWrite;
using arxsim::db::drawing;
using arxsim::db::DrawingDb;
using arxsim::db::entityIndex;
using arxsim::db::kEntityIdBase;
using arxsim::db::kEntityNameTag;
using arxsim::db::kPaperViewportId;

// ---- Opening -------------------------------------------------------------------------

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErasedObject) {
    charge();
    pObj = nullptr;
    if (id.isNull()) {
        return Acad::eNullObjectId;
    }
    if (!arxsim::hasDocument()) {
        return Acad::eNoDocument;
    }
    const bool writeAllowed = docLockedForWrite();
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    AcDbObject* obj = nullptr;
    const int index = entityIndex(w, id);
    if (index >= 0) {
        obj = w.entities[index].get();
    } else if (id.asOldId() == kPaperViewportId && w.paperOpenable) {
        obj = w.paper.get();
    }
    if (obj == nullptr) {
        return Acad::eKeyNotFound;
    }
    if (mode == AcDb::kForWrite) {
        if (!writeAllowed) {
            return Acad::eLockViolation;
        }
        if (index >= 0 && w.lockedLayers.count(w.layers[index]) != 0) {
            return Acad::eOnLockedLayer;
        }
    }
    const Acad::ErrorStatus es = AcDbObjectAccess::open(*obj, mode, openErasedObject);
    if (es != Acad::eOk) {
        return es;
    }
    ++w.balances.opens;
    pObj = obj;
    return Acad::eOk;
}

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode,
                                     bool openErasedEntity) {
    return acdbOpenObject(pEnt, id, mode, openErasedEntity);
}

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName) {
    charge();
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    if (objName == nullptr || objName[1] != kEntityNameTag || objName[0] < 1 ||
        objName[0] > static_cast<Adesk::Int64>(w.entities.size())) {
        return Acad::eInvalidInput;
    }
    objId.setFromOldId(kEntityIdBase + objName[0] - 1);
    return Acad::eOk;
}

AcDbObjectId acedActiveViewportId() {
    charge();
    AcDbObjectId id;
    return id.setFromOldId(kPaperViewportId);
}
