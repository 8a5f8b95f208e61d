// Drawing database of the host API stand-in: the entities of the open
// drawing and the paper-space viewport, their open/close discipline, entity
// names, pickfirst selection sets and redraws, with the balances tests check.
#include "arxHeaders.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "arx_control.h"
#include "arx_world_control.h"
#include "transcript.h"
#include "win32_control.h"

namespace {

// Object ids: entity i is kEntityIdBase + i; the paper-space viewport has
// its own. Entity names (ads_name) carry the entity number + 1 and a tag, so
// a zero name is no entity; selection sets carry a serial and another tag.
constexpr Adesk::IntPtr kPaperViewportId = 0x100;
constexpr Adesk::IntPtr kEntityIdBase = 0x10000;
constexpr Adesk::Int64 kEntityNameTag = 0x454E54;  // "ENT"
constexpr Adesk::Int64 kSelSetTag = 0x535354;      // "SST"

std::unique_ptr<AcDbViewport> makePaperViewport();

struct DbWorld {
    std::mutex lock;
    std::vector<std::unique_ptr<AcDbEntity>> entities;  // by entity number
    std::vector<std::string> layers;                    // by entity number
    std::vector<int> transforms;                        // by entity number
    std::unique_ptr<AcDbViewport> paper = makePaperViewport();
    std::set<std::string> lockedLayers;
    std::vector<int> pickfirst;
    std::map<Adesk::Int64, std::vector<int>> sets;  // handed-out sets by serial
    Adesk::Int64 nextSet = 1;
    int ssNameFailIndex = -1;
    bool paperOpenable = true;
    arxworld::Balances balances;
    int redraws = 0;
    int paperUpdates = 0;
};

DbWorld& world() {
    static DbWorld* w = new DbWorld;  // outlives every static user
    return *w;
}

void charge() {
    win32sim::chargeUs(arxworld::kHostCallUs);
}

// Entity number of an id, or -1.
int entityIndex(const DbWorld& w, AcDbObjectId id) {
    const Adesk::IntPtr old = id.asOldId();
    if (old < kEntityIdBase ||
        old >= kEntityIdBase + static_cast<Adesk::IntPtr>(w.entities.size())) {
        return -1;
    }
    return static_cast<int>(old - kEntityIdBase);
}

bool docLockedForWrite() {
    const int mode = arxsim::lockMode();
    return arxsim::lockDepth() > 0 &&
           (mode & (AcAp::kWrite | AcAp::kAutoWrite | AcAp::kXWrite)) != 0;
}

std::vector<double> rowMajor(const AcGeMatrix3d& m) {
    std::vector<double> out;
    out.reserve(16);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out.push_back(m.entry[i][j]);
        }
    }
    return out;
}

bool isSetName(const ads_name ss) {
    return ss != nullptr && ss[1] == kSelSetTag;
}

}  // namespace

// The world's way into the open state of its objects.
struct AcDbObjectAccess {
    static void setId(AcDbObject& obj, Adesk::IntPtr oldId) { obj.mId.setFromOldId(oldId); }
    static void erase(AcDbObject& obj) { obj.mIsErased = true; }
    static AcDbExtents extents(const AcDbEntity& ent) { return ent.extents(); }

    // Under the world's lock.
    static Acad::ErrorStatus open(AcDbObject& obj, AcDb::OpenMode mode, bool openErased) {
        if (obj.mIsErased && !openErased) {
            return Acad::eWasErased;
        }
        if (obj.mIsWriter) {
            return Acad::eWasOpenForWrite;
        }
        if (mode == AcDb::kForWrite) {
            if (obj.mReaders > 0) {
                return Acad::eWasOpenForRead;
            }
            obj.mIsWriter = true;
        } else {
            ++obj.mReaders;
        }
        return Acad::eOk;
    }
    static Acad::ErrorStatus close(AcDbObject& obj) {
        if (obj.mIsWriter) {
            obj.mIsWriter = false;
        } else if (obj.mReaders > 0) {
            --obj.mReaders;
        } else {
            return Acad::eNotOpenForRead;
        }
        return Acad::eOk;
    }
    static void read(const AcDbEntity& ent, arxworld::EntityInfo& info) {
        if (const AcDbLine* line = AcDbLine::cast(&ent)) {
            info.kind = arxworld::EntityKind::Line;
            info.start = line->mStart;
            info.end = line->mEnd;
        } else if (const AcDbCircle* circle = AcDbCircle::cast(&ent)) {
            info.kind = arxworld::EntityKind::Circle;
            info.start = circle->mCenter;
            info.end = circle->mCenter;
            info.normal = circle->mNormal;
            info.radius = circle->mRadius;
        }
    }
    static arxworld::PaperView paperView(const AcDbViewport& vp) {
        return arxworld::PaperView{vp.mViewCenter.x, vp.mViewCenter.y, vp.mViewHeight, vp.mWidth,
                                   vp.mHeight};
    }
    static void setPaperView(AcDbViewport& vp, const arxworld::PaperView& v) {
        vp.mViewCenter.set(v.centerX, v.centerY);
        vp.mViewHeight = v.viewHeight;
        vp.mWidth = v.width;
        vp.mHeight = v.height;
    }
    static bool readable(const AcDbObject& obj) { return obj.mIsWriter || obj.mReaders > 0; }
    static bool writable(const AcDbObject& obj) { return obj.mIsWriter; }
};

ACRX_NO_CONS_DEFINE_MEMBERS(AcDbObject, AcRxObject)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbEntity, AcDbObject)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbCurve, AcDbEntity)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbLine, AcDbCurve)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbCircle, AcDbCurve)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbViewport, AcDbEntity)

namespace {

std::unique_ptr<AcDbViewport> makePaperViewport() {
    auto vp = std::make_unique<AcDbViewport>();
    AcDbObjectAccess::setId(*vp, kPaperViewportId);
    return vp;
}

}  // namespace

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

bool AcDbObject::isReadEnabled() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return AcDbObjectAccess::readable(*this);
}

bool AcDbObject::isWriteEnabled() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return AcDbObjectAccess::writable(*this);
}

Acad::ErrorStatus AcDbObject::close() {
    charge();
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    const Acad::ErrorStatus es = AcDbObjectAccess::close(*this);
    if (es == Acad::eOk) {
        ++w.balances.closes;
    }
    return es;
}

Acad::ErrorStatus AcDbObject::assertWriteEnabled() const {
    return mIsWriter ? Acad::eOk : Acad::eNotOpenForWrite;
}

// ---- AcDbEntity ----------------------------------------------------------------------

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents& extents) const {
    charge();
    std::lock_guard<std::mutex> guard(world().lock);
    if (!AcDbObjectAccess::readable(*this)) {
        return Acad::eNotOpenForRead;
    }
    extents = this->extents();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::transformBy(const AcGeMatrix3d& xform) {
    charge();
    DbWorld& w = world();
    int index = -1;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        if (assertWriteEnabled() != Acad::eOk) {
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
    std::lock_guard<std::mutex> guard(world().lock);
    return mStart;
}

AcGePoint3d AcDbLine::endPoint() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return mEnd;
}

Acad::ErrorStatus AcDbLine::getStartPoint(AcGePoint3d& point) const {
    charge();
    std::lock_guard<std::mutex> guard(world().lock);
    if (!AcDbObjectAccess::readable(*this)) {
        return Acad::eNotOpenForRead;
    }
    point = mStart;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::getEndPoint(AcGePoint3d& point) const {
    charge();
    std::lock_guard<std::mutex> guard(world().lock);
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
    std::lock_guard<std::mutex> guard(world().lock);
    return mCenter;
}

AcGeVector3d AcDbCircle::normal() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return mNormal;
}

double AcDbCircle::radius() const {
    std::lock_guard<std::mutex> guard(world().lock);
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
    std::lock_guard<std::mutex> guard(world().lock);
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

AcDbViewport::AcDbViewport() = default;

double AcDbViewport::width() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return mWidth;
}

double AcDbViewport::height() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return mHeight;
}

Acad::ErrorStatus AcDbViewport::setWidth(double width) {
    std::lock_guard<std::mutex> guard(world().lock);
    if (assertWriteEnabled() != Acad::eOk) {
        return Acad::eNotOpenForWrite;
    }
    mWidth = width;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::setHeight(double height) {
    std::lock_guard<std::mutex> guard(world().lock);
    if (assertWriteEnabled() != Acad::eOk) {
        return Acad::eNotOpenForWrite;
    }
    mHeight = height;
    return Acad::eOk;
}

double AcDbViewport::viewHeight() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return mViewHeight;
}

AcGePoint2d AcDbViewport::viewCenter() const {
    std::lock_guard<std::mutex> guard(world().lock);
    return mViewCenter;
}

Acad::ErrorStatus AcDbViewport::setViewHeight(double height) {
    charge();
    std::lock_guard<std::mutex> guard(world().lock);
    if (assertWriteEnabled() != Acad::eOk) {
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
    std::lock_guard<std::mutex> guard(world().lock);
    if (assertWriteEnabled() != Acad::eOk) {
        return Acad::eNotOpenForWrite;
    }
    if (!(std::isfinite(center.x) && std::isfinite(center.y))) {
        return Acad::eInvalidInput;
    }
    mViewCenter = center;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbViewport::updateDisplay() const {
    DbWorld& w = world();
    transcript::Fields fields;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        ++w.paperUpdates;
        fields.numbers("center", {mViewCenter.x, mViewCenter.y}).num("height", mViewHeight);
    }
    transcript::emit("paper_view", fields);
    const std::uint64_t frame = arxworld::frameMs();
    if (frame > 0) {
        win32sim::advanceBy(frame);
    } else {
        charge();
    }
    return Acad::eOk;
}

AcDbExtents AcDbViewport::extents() const {
    const double halfH = mViewHeight / 2.0;
    const double halfW = mHeight > 0.0 ? mWidth / mHeight * halfH : 0.0;
    return AcDbExtents(AcGePoint3d(mViewCenter.x - halfW, mViewCenter.y - halfH, 0.0),
                       AcGePoint3d(mViewCenter.x + halfW, mViewCenter.y + halfH, 0.0));
}

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
    DbWorld& w = world();
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
    pEnt = nullptr;
    AcDbObject* obj = nullptr;
    const Acad::ErrorStatus es = acdbOpenAcDbObject(obj, id, mode, openErasedEntity);
    if (es != Acad::eOk) {
        return es;
    }
    pEnt = AcDbEntity::cast(obj);
    if (pEnt == nullptr) {
        obj->close();
        return Acad::eIllegalEntityType;
    }
    return Acad::eOk;
}

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName) {
    charge();
    DbWorld& w = world();
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

// ---- Selection sets ------------------------------------------------------------------

int acedSSGet(const ACHAR* str, const void* pt1, const void* pt2, const struct resbuf* filter,
              ads_name ss) {
    charge();
    if (ss == nullptr || str == nullptr || std::wstring(str) != L"I" || pt1 != nullptr ||
        pt2 != nullptr || filter != nullptr || !arxsim::hasDocument()) {
        return RTERROR;
    }
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    if (w.pickfirst.empty()) {
        return RTERROR;
    }
    const Adesk::Int64 serial = w.nextSet++;
    w.sets[serial] = w.pickfirst;
    ss[0] = serial;
    ss[1] = kSelSetTag;
    ++w.balances.setsGiven;
    return RTNORM;
}

int acedSSLength(const ads_name sname, long* len) {
    charge();
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    if (!isSetName(sname) || len == nullptr) {
        return RTERROR;
    }
    const auto it = w.sets.find(sname[0]);
    if (it == w.sets.end()) {
        return RTERROR;
    }
    *len = static_cast<long>(it->second.size());
    return RTNORM;
}

int acedSSName(const ads_name ss, long i, ads_name entres) {
    charge();
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    if (!isSetName(ss) || entres == nullptr) {
        return RTERROR;
    }
    const auto it = w.sets.find(ss[0]);
    if (it == w.sets.end() || i < 0 || i >= static_cast<long>(it->second.size()) ||
        i == w.ssNameFailIndex) {
        return RTERROR;
    }
    entres[0] = it->second[static_cast<std::size_t>(i)] + 1;
    entres[1] = kEntityNameTag;
    return RTNORM;
}

int acedSSFree(const ads_name sname) {
    charge();
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    if (!isSetName(sname) || w.sets.erase(sname[0]) == 0) {
        return RTERROR;
    }
    ++w.balances.setsFreed;
    return RTNORM;
}

int acedRedraw(const ads_name ent, int mode) {
    DbWorld& w = world();
    int id = -1;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        if (ent != nullptr && ent[1] == kEntityNameTag) {
            id = static_cast<int>(ent[0] - 1);
        }
        ++w.redraws;
    }
    transcript::emit("redraw", transcript::Fields().integer("id", id).integer("mode", mode));
    // Redrawing an entity repaints the screen like a view update: one frame.
    const std::uint64_t frame = arxworld::frameMs();
    if (frame > 0) {
        win32sim::advanceBy(frame);
    } else {
        charge();
    }
    return RTNORM;
}

// ---- Control ------------------------------------------------------------------------

namespace arxworld {

namespace {

int addEntity(std::unique_ptr<AcDbEntity> ent, const std::string& layer) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    const int index = static_cast<int>(w.entities.size());
    AcDbObjectAccess::setId(*ent, kEntityIdBase + index);
    w.entities.push_back(std::move(ent));
    w.layers.push_back(layer);
    w.transforms.push_back(0);
    return index;
}

}  // namespace

int addLine(const AcGePoint3d& start, const AcGePoint3d& end, const std::string& layer) {
    return addEntity(std::make_unique<AcDbLine>(start, end), layer);
}

int addCircle(const AcGePoint3d& center, double radius, const std::string& layer) {
    return addEntity(std::make_unique<AcDbCircle>(center, AcGeVector3d::kZAxis, radius), layer);
}

void addSampleDrawing() {
    // A 100 x 60 plate with a hole, and a post standing up from its centre.
    const double w = 50.0;
    const double h = 30.0;
    addLine(AcGePoint3d(-w, -h, 0), AcGePoint3d(w, -h, 0));
    addLine(AcGePoint3d(w, -h, 0), AcGePoint3d(w, h, 0));
    addLine(AcGePoint3d(w, h, 0), AcGePoint3d(-w, h, 0));
    addLine(AcGePoint3d(-w, h, 0), AcGePoint3d(-w, -h, 0));
    addCircle(AcGePoint3d(25, 0, 0), 10.0);
    addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 0, 40), "post");
    addCircle(AcGePoint3d(0, 0, 40), 5.0, "post");
}

void setLayerLocked(const std::string& layer, bool locked) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    if (locked) {
        w.lockedLayers.insert(layer);
    } else {
        w.lockedLayers.erase(layer);
    }
}

void eraseEntity(int index) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    if (index >= 0 && index < static_cast<int>(w.entities.size())) {
        AcDbObjectAccess::erase(*w.entities[index]);
    }
}

int entityCount() {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    return static_cast<int>(w.entities.size());
}

EntityInfo entity(int index) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    EntityInfo info;
    if (index < 0 || index >= static_cast<int>(w.entities.size())) {
        return info;
    }
    info.layer = w.layers[index];
    info.transformCount = w.transforms[index];
    AcDbObjectAccess::read(*w.entities[index], info);
    return info;
}

void setPaperView(const PaperView& view) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    AcDbObjectAccess::setPaperView(*w.paper, view);
}

PaperView paperView() {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    return AcDbObjectAccess::paperView(*w.paper);
}

int paperUpdateCount() {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.paperUpdates;
}

void setPaperViewportOpenable(bool openable) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    w.paperOpenable = openable;
}

void setPickfirst(const std::vector<int>& indices) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    w.pickfirst.clear();
    for (int index : indices) {
        if (index >= 0 && index < static_cast<int>(w.entities.size())) {
            w.pickfirst.push_back(index);
        }
    }
}

std::vector<int> pickfirst() {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.pickfirst;
}

void setSSNameFailureIndex(int index) {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    w.ssNameFailIndex = index;
}

Balances balances() {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.balances;
}

int redrawCount() {
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.redraws;
}

void reset() {
    resetViews();
    DbWorld& w = world();
    std::lock_guard<std::mutex> guard(w.lock);
    w.entities.clear();
    w.layers.clear();
    w.transforms.clear();
    w.paper = makePaperViewport();
    w.lockedLayers.clear();
    w.pickfirst.clear();
    w.sets.clear();
    w.nextSet = 1;
    w.ssNameFailIndex = -1;
    w.paperOpenable = true;
    w.balances = Balances();
    w.redraws = 0;
    w.paperUpdates = 0;
}

}  // namespace arxworld
