// Shared state of the stand-in's drawing database and the runtime classes
// of its objects.
#include "drawing_db.h"

#include "arx_control.h"
#include "rx_members.h"
#include "win32_control.h"

ACRX_NO_CONS_DEFINE_MEMBERS(AcDbObject, AcRxObject)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbEntity, AcDbObject)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbCurve, AcDbEntity)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbLine, AcDbCurve)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbCircle, AcDbCurve)
ACRX_NO_CONS_DEFINE_MEMBERS(AcDbViewport, AcDbEntity)

namespace arxsim::db {

DrawingDb& drawing() {
    static DrawingDb* w = new DrawingDb;  // outlives every static user
    return *w;
}

void exchangeDrawing(const void* parkAs, const void* bringBack) {
    {
        DrawingDb& w = drawing();
        std::lock_guard<std::mutex> guard(w.lock);
        exchangePart<DrawingContent>(w, w.parked, parkAs, bringBack);
    }
    exchangeViews(parkAs, bringBack);
}

void charge() {
    win32sim::chargeUs(arxdrawing::kHostCallUs);
}

void chargeFrame() {
    const std::uint64_t frame = arxdrawing::frameMs();
    if (frame > 0) {
        win32sim::advanceBy(frame);
    } else {
        charge();
    }
}

int entityIndex(const DrawingDb& w, AcDbObjectId id) {
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

std::unique_ptr<AcDbViewport> makePaperViewport() {
    auto vp = std::make_unique<AcDbViewport>();
    AcDbObjectAccess::setId(*vp, kPaperViewportId);
    return vp;
}

}  // namespace arxsim::db
