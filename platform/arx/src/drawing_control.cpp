// Control API of the drawing database: building the drawing, the paper
// view, the pickfirst selection, fault injection, balances and reset.
#include "drawing_db.h"

using arxsim::db::drawing;
using arxsim::db::DrawingDb;
using arxsim::db::kEntityIdBase;
using arxsim::db::makePaperViewport;

// ---- Control ------------------------------------------------------------------------

namespace arxdrawing {

namespace {

int addEntity(std::unique_ptr<AcDbEntity> ent, const std::string& layer) {
    DrawingDb& w = drawing();
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
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    if (locked) {
        w.lockedLayers.insert(layer);
    } else {
        w.lockedLayers.erase(layer);
    }
}

void eraseEntity(int index) {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    if (index >= 0 && index < static_cast<int>(w.entities.size())) {
        AcDbObjectAccess::erase(*w.entities[index]);
    }
}

int entityCount() {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    return static_cast<int>(w.entities.size());
}

EntityInfo entity(int index) {
    DrawingDb& w = drawing();
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
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    AcDbObjectAccess::setPaperView(*w.paper, view);
}

PaperView paperView() {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    return AcDbObjectAccess::paperView(*w.paper);
}

int paperUpdateCount() {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.paperUpdates;
}

void setPaperViewportOpenable(bool openable) {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    w.paperOpenable = openable;
}

void setPickfirst(const std::vector<int>& indices) {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    w.pickfirst.clear();
    for (int index : indices) {
        if (index >= 0 && index < static_cast<int>(w.entities.size())) {
            w.pickfirst.push_back(index);
        }
    }
}

std::vector<int> pickfirst() {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.pickfirst;
}

void setSSNameFailureIndex(int index) {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    w.ssNameFailIndex = index;
}

Balances balances() {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.balances;
}

int redrawCount() {
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.redraws;
}

void reset() {
    resetViews();
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    w.entities.clear();
    w.layers.clear();
    w.transforms.clear();
    w.paper = makePaperViewport();
    w.lockedLayers.clear();
    w.pickfirst.clear();
    w.parked.clear();
    w.sets.clear();
    w.nextSet = 1;
    w.ssNameFailIndex = -1;
    w.paperOpenable = true;
    w.balances = Balances();
    w.redraws = 0;
    w.paperUpdates = 0;
}

}  // namespace arxdrawing
