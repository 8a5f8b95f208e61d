// Control side of the drawing database of the host API stand-in: builds the
// drawing (lines, circles, layers), sets the model and paper views and the
// pickfirst selection, and reads back what the plug-in did (views, entity
// geometry, open/close and selection-set balances). Used by qxsim and the
// tests on the host thread; never by the plug-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gemat3d.h"

namespace arxdrawing {

// ---- Model views (graphics views per viewport number) -----------------------
struct ViewParams {
    AcGePoint3d position{0.0, 0.0, 100.0};
    AcGePoint3d target{0.0, 0.0, 0.0};
    AcGeVector3d up{0.0, 1.0, 0.0};
    double width = 200.0;
    double height = 150.0;
    bool perspective = false;
};

// The view of a session's start: parallel, looking down -Z at the origin
// from 100 units, up +Y, field 200 x 150.
ViewParams initialView();

// The viewport that `view` and `camera` steps set (the model tab's, 2).
constexpr int kModelViewport = 2;

// Sets viewport `vp`'s stored view and, when it exists, its graphics view.
void setModelView(int vp, const ViewParams& view);
// A standard view: keeps the target, the camera distance and the field of
// the stored view and puts the camera on the named side of the target
// (top, bottom, front, back, left, right, iso). False for another name.
bool setNamedView(int vp, const std::string& name);

// The live graphics view, none before the plug-in asked for it.
std::optional<ViewParams> gsView(int vp);
// The viewport's stored view: as set here or by acgsSetViewParameters.
ViewParams storedView(int vp);
// Calls of acgsSetViewParameters and AcGsView::update since the reset.
int viewSaveCount();
int viewUpdateCount();

// Cost of one redraw (AcGsView::update, AcDbViewport::updateDisplay) on the
// clock, default 16 ms; 0 for benchmarks. Every other call of the drawing
// world costs kHostCallUs.
constexpr std::uint64_t kDefaultFrameMs = 16;
constexpr std::uint64_t kHostCallUs = 20;
void setFrameMs(std::uint64_t ms);
std::uint64_t frameMs();

// Fault injection: acgsGetGsView yields null while views are unavailable;
// a view marked invalid answers isValid() false.
void setGsViewsAvailable(bool available);
void setViewMarkedInvalid(int vp, bool invalid);
// Forgets every view (part of reset()).
void resetViews();

// ---- Paper space: the active paper-space viewport ---------------------------
struct PaperView {
    double centerX = 0.0;
    double centerY = 0.0;
    double viewHeight = 150.0;  // drawing units shown top to bottom
    double width = 400.0;       // size of the viewport on the sheet
    double height = 300.0;
};
void setPaperView(const PaperView& view);
PaperView paperView();
int paperUpdateCount();
// Fault injection: the active viewport cannot be opened while false.
void setPaperViewportOpenable(bool openable);

// ---- Entities ---------------------------------------------------------------
// Entities are numbered 0, 1, ... in order of creation; the number is also
// the `id` of `entity` and `redraw` transcript events.
int addLine(const AcGePoint3d& start, const AcGePoint3d& end, const std::string& layer = "0");
int addCircle(const AcGePoint3d& center, double radius, const std::string& layer = "0");
// The bundled sample drawing (a few lines and circles), added to the drawing.
void addSampleDrawing();
void setLayerLocked(const std::string& layer, bool locked);
// An erased entity cannot be opened at all (not even for read).
void eraseEntity(int index);

enum class EntityKind { Line, Circle };
struct EntityInfo {
    EntityKind kind = EntityKind::Line;
    std::string layer;
    AcGePoint3d start;                   // line: start point; circle: centre
    AcGePoint3d end;                     // line: end point; circle: the centre too
    AcGeVector3d normal{0.0, 0.0, 1.0};  // circle's plane normal
    double radius = 0.0;
    int transformCount = 0;  // transformBy calls that changed the entity
};
int entityCount();
EntityInfo entity(int index);

// ---- Pickfirst selection ----------------------------------------------------
// The entities selected before any command; empty for none.
void setPickfirst(const std::vector<int>& indices);
std::vector<int> pickfirst();
// Fault injection: acedSSName fails for this index of any set (-1: never).
void setSSNameFailureIndex(int index);

// ---- Balances and counters --------------------------------------------------
struct Balances {
    int opens = 0;      // successful acdbOpenAcDbEntity / acdbOpenAcDbObject
    int closes = 0;     // successful AcDbObject::close
    int setsGiven = 0;  // successful acedSSGet
    int setsFreed = 0;  // successful acedSSFree
    int stillOpen() const { return opens - closes; }
    int setsLeaked() const { return setsGiven - setsFreed; }
};
Balances balances();
int redrawCount();

// Clears entities, layers, selection, views, paper view, counters and fault
// injections; the frame cost goes back to 16 ms.
void reset();

}  // namespace arxdrawing
