// Selection lookups: the pivot of 3D motion taken from the pickfirst
// selection (centre of the selected objects, or the axis of one selected
// line), with the pickfirst set of a scope and the current document that
// object move mode uses too.
// Host's main thread only.
#include "auto_cad_proxy.h"
#include "logging.h"
#include "nav_memory.h"
#include "scoped_ptr.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

// Opens an entity for read and closes it again at the end of the scope.
class ReadEntity {
public:
    explicit ReadEntity(const ads_name name) : mEntity(NULL) {
        AcDbObjectId id;
        if (acdbGetObjectId(id, name) == Acad::eOk &&
            acdbOpenAcDbEntity(mEntity, id, AcDb::kForRead) != Acad::eOk) {
            mEntity = NULL;
        }
    }
    ~ReadEntity() {
        if (mEntity != NULL) {
            mEntity->close();
        }
    }
    AcDbEntity* get() const { return mEntity; }

private:
    ReadEntity(const ReadEntity&);
    ReadEntity& operator=(const ReadEntity&);

    AcDbEntity* mEntity;
};

}  // namespace

// ---- Helpers -------------------------------------------------------------------

AutoCadProxy::PickfirstSet::PickfirstSet() : mIsValid(false) {
    // Zeroed here, not value-initialised in the list, which the host's
    // compiler warns about as a change of behaviour.
    mName[0] = 0;
    mName[1] = 0;
    mIsValid = acedSSGet(ACRX_T("I"), NULL, NULL, NULL, mName) == RTNORM;
}

AutoCadProxy::PickfirstSet::~PickfirstSet() {
    if (mIsValid) {
        acedSSFree(mName);
    }
}

AcApDocument* AutoCadProxy::currentDocument() {
    AcApDocManager* docManager = acDocManagerPtr();
    return docManager != NULL ? docManager->curDocument() : NULL;
}

// ---- Lookups ---------------------------------------------------------------------

bool AutoCadProxy::getSelObjectsCenter(ads_name selSet, AcGePoint3d& centre) {
    try {
        // Without a set the selection is read only on a motion's first step.
        if (mIsCapMoving && selSet == NULL) {
            return gLastCenterResult;
        }
        ScopedPtr<PickfirstSet> own;
        Adesk::Int64* set = selSet;
        if (set == NULL) {
            own.reset(new PickfirstSet());
            if (!own->isValid()) {
                gLastCenterResult = false;
                return false;
            }
            set = own->name();
        }

        long count = 0;
        acedSSLength(set, &count);
        AcGePoint3d sum(0.0, 0.0, 0.0);
        long used = 0;
        for (long i = 0; i < count; ++i) {
            ads_name entName = {};
            if (acedSSName(set, i, entName) != RTNORM) {
                gLastCenterResult = false;
                return false;
            }
            // An entity that cannot be opened or has no extents is skipped:
            // the mean is taken over the others.
            ReadEntity entity(entName);
            AcDbExtents extents;
            if (entity.get() == NULL || entity.get()->getGeomExtents(extents) != Acad::eOk) {
                continue;
            }
            const AcGePoint3d lo = extents.minPoint();
            const AcGePoint3d hi = extents.maxPoint();
            sum += AcGeVector3d((lo.x + hi.x) / 2.0, (lo.y + hi.y) / 2.0, (lo.z + hi.z) / 2.0);
            ++used;
        }
        if (used == 0) {
            // Nothing measurable selected: no centre rather than a 0/0.
            gLastCenterResult = false;
            return false;
        }

        // Each entity counts once, whatever its size.
        centre = sum / static_cast<double>(used);
        QX_LOG(TMP, kSrcFile, kClass, "AutoCadProxy::getSelObjectsCenter")
            << "selCenterPoint: " << centre.x << ", " << centre.y << ", " << centre.z << LOG_END;
        gLastCenterResult = true;
        return true;
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::getSelObjectsCenter")
            << "Error getSelObjectsCenter()" << LOG_END;
        return false;
    }
}

bool AutoCadProxy::getSelObjectAxis(AcGeVector3d& axis, AcGePoint3d& startPoint) {
    try {
        if (mIsCapMoving) {
            return gLastAxisResult;
        }
        PickfirstSet set;
        if (!set.isValid()) {
            gLastAxisResult = false;
            return false;
        }
        long count = 0;
        ads_name entName = {};
        if (acedSSLength(set.name(), &count) != RTNORM || count != 1 ||
            acedSSName(set.name(), 0, entName) != RTNORM) {
            gLastAxisResult = false;
            return false;
        }

        ReadEntity entity(entName);
        gLastAxisResult = false;
        AcGePoint3d start;
        AcGePoint3d end;
        if (entity.get() != NULL && entity.get()->isKindOf(AcDbLine::desc())) {
            const AcDbCurve* curve = AcDbCurve::cast(entity.get());
            if (curve->getStartPoint(start) == Acad::eOk && curve->getEndPoint(end) == Acad::eOk) {
                axis = (end - start).normalize(AcGeContext::gTol);
                startPoint = start;
                gLastAxisResult = true;
            }
        }
        return gLastAxisResult;
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, "AutoCadProxy::getSelObjectAxis")
            << "Error getSelObjectAxis()" << LOG_END;
        return false;
    }
}
