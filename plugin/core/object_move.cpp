// Object move mode: the cap moves (and in 3D turns) the entities of the
// pickfirst selection instead of the view, one transformation matrix per
// step applied in the drawing database. Device values arrive raw, not divided
// by the sensitivity settings. Host's main thread only.
#include "auto_cad_proxy.h"
#include "logging.h"

namespace {

const char* const kSrcFile = "..\\..\\common_sources\\auto_cad_proxy";
const char* const kClass = "AutoCadProxy";

// Drawing units per device unit and step along the screen axes (3D).
const double kMove3dScale = 0.5;
// Radians per device unit and step about the screen axes (3D).
const double kTurn3dScale = 0.002;
// Drawing units per device unit and step along world X and Y (2D).
const double kMove2dScale = 0.00005;
// acedRedraw mode: draw the entity.
const int kRedrawDraw = 1;

// An entity opened for write, closed at the latest at the end of the scope.
class WriteEntity {
public:
    explicit WriteEntity(AcDbObjectId id) : mEntity(NULL) {
        if (acdbOpenAcDbEntity(mEntity, id, AcDb::kForWrite) != Acad::eOk) {
            mEntity = NULL;
        }
    }
    ~WriteEntity() { close(); }
    AcDbEntity* get() const { return mEntity; }
    void close() {
        if (mEntity != NULL) {
            mEntity->close();
            mEntity = NULL;
        }
    }

private:
    WriteEntity(const WriteEntity&);
    WriteEntity& operator=(const WriteEntity&);

    AcDbEntity* mEntity;
};

// Opens every entity of the set for write in turn, applies `xform`, closes
// it, and redraws it when asked. Names that cannot be read and entities that
// cannot be opened (for example on a locked layer) are skipped.
void transformEntities(Adesk::Int64* set, const AcGeMatrix3d& xform, bool isToRedraw) {
    long count = 0;
    acedSSLength(set, &count);
    for (long i = 0; i < count; ++i) {
        ads_name entName = {0, 0};
        if (acedSSName(set, i, entName) != RTNORM) {
            continue;
        }
        AcDbObjectId id;
        acdbGetObjectId(id, entName);
        WriteEntity entity(id);
        if (entity.get() == NULL) {
            continue;
        }
        entity.get()->transformBy(xform);
        entity.close();
        if (isToRedraw) {
            acedRedraw(entName, kRedrawDraw);
        }
    }
}

// A 3D step's matrix for the selection `set`: shift along the screen axes,
// then turns about them through the centre of the set.
struct Selection3dXform {
    Selection3dXform(AutoCadProxy& proxy_, double tx_, double ty_, double tz_, double rx_,
                     double ry_, double rz_, const AcGeVector3d& xAxis_, const AcGeVector3d& yAxis_,
                     const AcGeVector3d& zAxis_, bool isLevel_, bool isNoRoll_)
        : proxy(proxy_),
          tx(tx_),
          ty(ty_),
          tz(tz_),
          rx(rx_),
          ry(ry_),
          rz(rz_),
          xAxis(xAxis_),
          yAxis(yAxis_),
          zAxis(zAxis_),
          isLevel(isLevel_),
          isNoRoll(isNoRoll_) {}

    AcGeMatrix3d operator()(Adesk::Int64* set) const {
        const double rollValue = isNoRoll ? 0.0 : rz;

        // The centre follows the objects: computed from this set every step.
        AcGePoint3d centre(0.0, 0.0, 0.0);
        if (!proxy.getSelObjectsCenter(set, centre)) {
            centre = AcGePoint3d::kOrigin;
        }

        // X points to the screen's left: a positive tx moves to the right.
        AcGeVector3d shift;
        for (unsigned int i = 0; i < 3; ++i) {
            shift[i] = yAxis[i] * ty * kMove3dScale + xAxis[i] * tx * (-kMove3dScale) +
                       zAxis[i] * tz * kMove3dScale;
        }
        AcGeVector3d turnX = xAxis;
        AcGeVector3d turnY = yAxis;
        const AcGeVector3d turnZ = zAxis;
        if (isLevel) {
            shift.y = 0.0;  // world Y stays
        }
        if (isNoRoll) {
            turnY = AcGeVector3d(0.0, 1.0, 0.0);  // turn about world Y
        }

        // M = T * R_X * R_Y * R_Z: a point turns about Z, Y, X, then shifts.
        AcGeMatrix3d xform;
        xform.setTranslation(shift);
        if (rx != 0.0) {
            xform = xform * AcGeMatrix3d::rotation(rx * (-kTurn3dScale), turnX, centre);
        }
        if (ry != 0.0) {
            xform = xform * AcGeMatrix3d::rotation(ry * kTurn3dScale, turnY, centre);
        }
        if (rollValue != 0.0) {
            xform = xform * AcGeMatrix3d::rotation(rollValue * kTurn3dScale, turnZ, centre);
        }
        return xform;
    }

    AutoCadProxy& proxy;
    double tx, ty, tz, rx, ry, rz;
    const AcGeVector3d& xAxis;
    const AcGeVector3d& yAxis;
    const AcGeVector3d& zAxis;
    bool isLevel;
    bool isNoRoll;

private:
    // Not assignable (reference members); declared so that the compiler
    // says nothing about the operator it cannot make.
    Selection3dXform& operator=(const Selection3dXform&);
};

// A 2D step's matrix: a shift along world X and Y.
struct Selection2dXform {
    Selection2dXform(double tx_, double ty_) : tx(tx_), ty(ty_) {}

    AcGeMatrix3d operator()(Adesk::Int64*) const {
        AcGeMatrix3d xform;
        xform.setTranslation(AcGeVector3d(tx * kMove2dScale, ty * kMove2dScale, 0.0));
        return xform;
    }

    double tx, ty;
};

}  // namespace

template <class MakeXform>
bool AutoCadProxy::transformPickfirst(const char* method, bool isToRedraw, MakeXform makeXform) {
    try {
        if (currentDocument() == NULL) {
            return false;
        }
        PickfirstSet set;
        if (!set.isValid()) {
            return false;
        }
        const AcGeMatrix3d xform = makeXform(set.name());
        lockDocumentForMotion();
        transformEntities(set.name(), xform, isToRedraw);
        return true;
    } catch (...) {
        QX_LOG(ERR, kSrcFile, kClass, method) << "Error transformSelection()" << LOG_END;
        return false;
    }
}

bool AutoCadProxy::transformSelection3d(double tx, double ty, double tz, double rx, double ry,
                                        double rz, const AcGeVector3d& xAxis,
                                        const AcGeVector3d& yAxis, const AcGeVector3d& zAxis,
                                        bool isLevel, bool isNoRoll) {
    return transformPickfirst(
        "AutoCadProxy::transformSelection3d", false,
        Selection3dXform(*this, tx, ty, tz, rx, ry, rz, xAxis, yAxis, zAxis, isLevel, isNoRoll));
}

bool AutoCadProxy::transformSelection2d(double tx, double ty) {
    return transformPickfirst("AutoCadProxy::transformSelection2d", true, Selection2dXform(tx, ty));
}
