// Graphics views of the drawing database: a stored view per viewport number
// (what the drawing keeps) and a live AcGsView made from it on demand (what
// the plug-in moves). Redraws cost a frame of the clock and are recorded in
// the transcript.
#include <windows.h>

#include "gs.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "arx_drawing_control.h"
#include "drawing_db.h"
#include "transcript.h"
#include "win32_control.h"

namespace {

// The host's graphics view of one viewport. The world makes, destroys and
// sets its views (apply, read: graphics lock held); the plug-in only uses
// them through AcGsView.
class GsViewStandIn final : public AcGsView {
public:
    explicit GsViewStandIn(int vportNum) : mVportNum(vportNum) {}

    AcGePoint3d position() const override;
    AcGePoint3d target() const override;
    AcGeVector3d upVector() const override;
    bool isPerspective() const override;
    double fieldWidth() const override;
    double fieldHeight() const override;
    void setView(const AcGePoint3d& position, const AcGePoint3d& target,
                 const AcGeVector3d& upVector, double fieldWidth, double fieldHeight,
                 Projection projection) override;
    void zoom(double factor) override;
    void update() override;
    bool isValid() const override;

    void apply(const arxdrawing::ViewParams& v) {
        mPosition = v.position;
        mTarget = v.target;
        mUp = v.up;
        mFieldWidth = v.width;
        mFieldHeight = v.height;
        mProjection = v.perspective ? kPerspective : kParallel;
    }
    arxdrawing::ViewParams read() const {
        return arxdrawing::ViewParams{mPosition,   mTarget,      mUp,
                                      mFieldWidth, mFieldHeight, mProjection == kPerspective};
    }

private:
    const int mVportNum;
    AcGePoint3d mPosition;
    AcGePoint3d mTarget;
    AcGeVector3d mUp;
    double mFieldWidth = 0.0;
    double mFieldHeight = 0.0;
    Projection mProjection = kParallel;
};

// The views of one drawing.
struct DrawingViews {
    std::map<int, arxdrawing::ViewParams> stored;
    std::map<int, std::unique_ptr<GsViewStandIn>> views;
    std::set<int> invalid;
};

// The current drawing's views are its own DrawingViews.
struct GraphicsState : DrawingViews {
    std::mutex lock;
    // The other drawings' views by document, closed ones too until the reset.
    std::map<const void*, DrawingViews> parked;
    bool available = true;
    std::uint64_t frameMs = arxdrawing::kDefaultFrameMs;
    int saves = 0;
    int updates = 0;
};

GraphicsState& graphics() {
    static GraphicsState* w = new GraphicsState;  // outlives every static user
    return *w;
}

arxdrawing::ViewParams storedLocked(GraphicsState& w, int vp) {
    const auto it = w.stored.find(vp);
    return it == w.stored.end() ? arxdrawing::initialView() : it->second;
}

std::vector<double> xyz(const AcGePoint3d& p) {
    return {p.x, p.y, p.z};
}
std::vector<double> xyz(const AcGeVector3d& v) {
    return {v.x, v.y, v.z};
}

transcript::Fields viewFields(int vp, const arxdrawing::ViewParams& v) {
    transcript::Fields f;
    f.integer("vp", vp)
        .numbers("position", xyz(v.position))
        .numbers("target", xyz(v.target))
        .numbers("up", xyz(v.up))
        .num("width", v.width)
        .num("height", v.height)
        .boolean("perspective", v.perspective);
    return f;
}

bool finite(const AcGePoint3d& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}
bool finite(const AcGeVector3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

// ---- The views ------------------------------------------------------------------

AcGePoint3d GsViewStandIn::position() const {
    std::lock_guard<std::mutex> guard(graphics().lock);
    return mPosition;
}

AcGePoint3d GsViewStandIn::target() const {
    std::lock_guard<std::mutex> guard(graphics().lock);
    return mTarget;
}

AcGeVector3d GsViewStandIn::upVector() const {
    std::lock_guard<std::mutex> guard(graphics().lock);
    return mUp;
}

bool GsViewStandIn::isPerspective() const {
    std::lock_guard<std::mutex> guard(graphics().lock);
    return mProjection == kPerspective;
}

double GsViewStandIn::fieldWidth() const {
    std::lock_guard<std::mutex> guard(graphics().lock);
    return mFieldWidth;
}

double GsViewStandIn::fieldHeight() const {
    std::lock_guard<std::mutex> guard(graphics().lock);
    return mFieldHeight;
}

void GsViewStandIn::setView(const AcGePoint3d& position, const AcGePoint3d& target,
                            const AcGeVector3d& upVector, double fieldWidth, double fieldHeight,
                            Projection projection) {
    win32sim::chargeUs(arxdrawing::kHostCallUs);
    std::lock_guard<std::mutex> guard(graphics().lock);
    mPosition = position;
    mTarget = target;
    mUp = upVector;
    mFieldWidth = fieldWidth;
    mFieldHeight = fieldHeight;
    mProjection = projection;
}

void GsViewStandIn::zoom(double factor) {
    win32sim::chargeUs(arxdrawing::kHostCallUs);
    if (!(std::isfinite(factor) && factor > 0.0)) {
        return;
    }
    std::lock_guard<std::mutex> guard(graphics().lock);
    mFieldWidth /= factor;
    mFieldHeight /= factor;
}

void GsViewStandIn::update() {
    GraphicsState& w = graphics();
    std::uint64_t frame = 0;
    const bool isRecorded = transcript::isOn();
    transcript::Fields fields;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        ++w.updates;
        frame = w.frameMs;
        if (isRecorded) {
            fields = viewFields(mVportNum, read());
        }
    }
    if (isRecorded) {
        transcript::emit("view", fields);
    }
    // The frame passes without the world's lock: scenario events due during
    // the frame may change the drawing.
    if (frame > 0) {
        win32sim::advanceBy(frame);
    } else {
        win32sim::chargeUs(arxdrawing::kHostCallUs);
    }
}

bool GsViewStandIn::isValid() const {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    if (w.invalid.count(mVportNum) != 0) {
        return false;
    }
    return finite(mPosition) && finite(mTarget) && finite(mUp) && std::isfinite(mFieldWidth) &&
           std::isfinite(mFieldHeight) && mFieldWidth > 0.0 && mFieldHeight > 0.0 &&
           !(mPosition - mTarget).isZeroLength() && !mUp.isZeroLength();
}

// ---- Host functions -----------------------------------------------------------------

AcGsView* acgsGetGsView(int viewportNumber, bool bCreateIfNone) {
    win32sim::chargeUs(arxdrawing::kHostCallUs);
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    if (!w.available) {
        return nullptr;
    }
    const auto it = w.views.find(viewportNumber);
    if (it != w.views.end()) {
        return it->second.get();
    }
    if (!bCreateIfNone) {
        return nullptr;
    }
    auto view = std::make_unique<GsViewStandIn>(viewportNumber);
    view->apply(storedLocked(w, viewportNumber));
    return w.views.emplace(viewportNumber, std::move(view)).first->second.get();
}

Adesk::Boolean acgsSetViewParameters(int viewportNumber, const AcGsView* pView, bool, bool, bool) {
    win32sim::chargeUs(arxdrawing::kHostCallUs);
    if (pView == nullptr) {
        return false;
    }
    GraphicsState& w = graphics();
    transcript::Fields fields;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        // Every view is the host's own.
        const arxdrawing::ViewParams v = static_cast<const GsViewStandIn*>(pView)->read();
        w.stored[viewportNumber] = v;
        ++w.saves;
        fields = viewFields(viewportNumber, v);
    }
    transcript::emit("view_saved", fields);
    return true;
}

void arxsim::db::exchangeViews(const void* parkAs, const void* bringBack) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    arxsim::db::exchangePart<DrawingViews>(w, w.parked, parkAs, bringBack);
}

// ---- Control ------------------------------------------------------------------------

namespace arxdrawing {

ViewParams initialView() {
    return ViewParams{};
}

void setModelView(int vp, const ViewParams& view) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    w.stored[vp] = view;
    const auto it = w.views.find(vp);
    if (it != w.views.end()) {
        it->second->apply(view);
    }
}

bool setNamedView(int vp, const std::string& name) {
    struct Side {
        const char* name;
        AcGeVector3d direction;  // from the target to the camera
        AcGeVector3d up;
    };
    static const Side kSides[] = {
        {"top", {0, 0, 1}, {0, 1, 0}},    {"bottom", {0, 0, -1}, {0, 1, 0}},
        {"front", {0, -1, 0}, {0, 0, 1}}, {"back", {0, 1, 0}, {0, 0, 1}},
        {"right", {1, 0, 0}, {0, 0, 1}},  {"left", {-1, 0, 0}, {0, 0, 1}},
        {"iso", {1, -1, 1}, {0, 0, 1}},
    };
    const Side* side = nullptr;
    for (const Side& s : kSides) {
        if (name == s.name) {
            side = &s;
        }
    }
    if (side == nullptr) {
        return false;
    }
    ViewParams v = gsView(vp).value_or(storedView(vp));
    const double distance = v.position.distanceTo(v.target);
    const AcGeVector3d dir = side->direction.normal();
    // The up vector is the part of the side's up square to the view direction.
    AcGeVector3d up = side->up - dir * side->up.dotProduct(dir);
    v.position = v.target + dir * distance;
    v.up = up.normalize();
    setModelView(vp, v);
    return true;
}

std::optional<ViewParams> gsView(int vp) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    const auto it = w.views.find(vp);
    if (it == w.views.end()) {
        return std::nullopt;
    }
    return it->second->read();
}

ViewParams storedView(int vp) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    return storedLocked(w, vp);
}

int viewSaveCount() {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.saves;
}

int viewUpdateCount() {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.updates;
}

void setFrameMs(std::uint64_t ms) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    w.frameMs = ms;
}

std::uint64_t frameMs() {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    return w.frameMs;
}

void setGsViewsAvailable(bool available) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    w.available = available;
}

void setViewMarkedInvalid(int vp, bool invalid) {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    if (invalid) {
        w.invalid.insert(vp);
    } else {
        w.invalid.erase(vp);
    }
}

// Called by reset(): the plug-in must hold no view pointer across it.
void resetViews() {
    GraphicsState& w = graphics();
    std::lock_guard<std::mutex> guard(w.lock);
    w.stored.clear();
    w.views.clear();
    w.invalid.clear();
    w.parked.clear();
    w.available = true;
    w.frameMs = kDefaultFrameMs;
    w.saves = 0;
    w.updates = 0;
}

}  // namespace arxdrawing
