// Shared state of the stand-in's drawing database: the entities of the open
// drawing and the paper-space viewport, handed-out selection sets, balances,
// and the access to the objects' open state. Guarded by DrawingDb::lock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "arxHeaders.h"
#include "arx_drawing_control.h"

namespace arxsim::db {

// Object ids: entity i is kEntityIdBase + i; the paper-space viewport has
// its own. Entity names (ads_name) carry the entity number + 1 and a tag, so
// a zero name is no entity; selection sets carry a serial and another tag.
constexpr Adesk::IntPtr kPaperViewportId = 0x100;
constexpr Adesk::IntPtr kEntityIdBase = 0x10000;
constexpr Adesk::Int64 kEntityNameTag = 0x454E54;  // "ENT"
constexpr Adesk::Int64 kSelSetTag = 0x535354;      // "SST"

std::unique_ptr<AcDbViewport> makePaperViewport();

// What each drawing has of its own: DrawingDb holds the current drawing's,
// the other drawings' content waits in DrawingDb::parked.
struct DrawingContent {
    std::vector<std::unique_ptr<AcDbEntity>> entities;  // by entity number
    std::vector<std::string> layers;                    // by entity number
    std::vector<int> transforms;                        // by entity number
    std::unique_ptr<AcDbViewport> paper = makePaperViewport();
    std::set<std::string> lockedLayers;
    std::vector<int> pickfirst;
};

struct DrawingDb : DrawingContent {
    std::mutex lock;
    // The other drawings' content by document, closed ones too (until the
    // reset), so that an object or view the plug-in kept never dangles.
    std::map<const void*, DrawingContent> parked;
    std::map<Adesk::Int64, std::vector<int>> sets;  // handed-out sets by serial
    Adesk::Int64 nextSet = 1;
    int ssNameFailIndex = -1;
    bool paperOpenable = true;
    arxdrawing::Balances balances;
    int redraws = 0;
    int paperUpdates = 0;
};

DrawingDb& drawing();
// Another drawing becomes current: the current content (entities, paper
// viewport, selection, views) is kept for `parkAs`, and `bringBack`'s
// content, empty when it has none yet, takes its place. Locks taken inside.
void exchangeDrawing(const void* parkAs, const void* bringBack);
// The views' part of it (graphics.cpp).
void exchangeViews(const void* parkAs, const void* bringBack);
// One part of that, under its lock: `current` is kept in `parked` as
// `parkAs` and replaced by `bringBack`'s, or an empty part.
template <class Part>
void exchangePart(Part& current, std::map<const void*, Part>& parked, const void* parkAs,
                  const void* bringBack) {
    Part part;
    if (const auto it = parked.find(bringBack); it != parked.end()) {
        part = std::move(it->second);
        parked.erase(it);
    }
    std::swap(current, part);
    parked[parkAs] = std::move(part);
}
// Cost of one database call on the clock.
void charge();
// Cost of a redraw: one frame of the clock (a host call's cost when frames
// are off). Called without the drawing's lock: scenario events due during
// the frame may change the drawing.
void chargeFrame();
// Entity number of an id, or -1.
int entityIndex(const DrawingDb& w, AcDbObjectId id);
bool docLockedForWrite();
std::vector<double> rowMajor(const AcGeMatrix3d& m);
bool isSetName(const ads_name ss);

}  // namespace arxsim::db

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
    static void read(const AcDbEntity& ent, arxdrawing::EntityInfo& info) {
        if (const AcDbLine* line = AcDbLine::cast(&ent)) {
            info.kind = arxdrawing::EntityKind::Line;
            info.start = line->mStart;
            info.end = line->mEnd;
        } else if (const AcDbCircle* circle = AcDbCircle::cast(&ent)) {
            info.kind = arxdrawing::EntityKind::Circle;
            info.start = circle->mCenter;
            info.end = circle->mCenter;
            info.normal = circle->mNormal;
            info.radius = circle->mRadius;
        }
    }
    static arxdrawing::PaperView paperView(const AcDbViewport& vp) {
        return arxdrawing::PaperView{vp.mViewCenter.x, vp.mViewCenter.y, vp.mViewHeight, vp.mWidth,
                                     vp.mHeight};
    }
    static void setPaperView(AcDbViewport& vp, const arxdrawing::PaperView& v) {
        vp.mViewCenter.set(v.centerX, v.centerY);
        vp.mViewHeight = v.viewHeight;
        vp.mWidth = v.width;
        vp.mHeight = v.height;
    }
    static bool readable(const AcDbObject& obj) { return obj.mIsWriter || obj.mReaders > 0; }
    static bool writable(const AcDbObject& obj) { return obj.mIsWriter; }
};
