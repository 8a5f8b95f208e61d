// The host-side half of the plug-in: one AutoCadProxy, driven on the host's
// main thread by a one-shot thread timer, turns the device state record into
// view, object, scroll and key actions. Everything here runs on the host's
// main thread except the members marked as shared with the device link.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include <arxHeaders.h>
#include "device_codes.h"
#include "interlocked_value.h"
#include "mode_name_table.h"
#include "module_instance.h"
#include "nav_memory.h"

class QxAutoCad;
class AcGsView;
class AcGePoint3d;
class AcGeVector3d;

// What tells a changed menu file: present, size and modification time. A
// missing file needs no first try: it gives nothing.
struct MenuFileStamp {
    MenuFileStamp() : exists(false), size(0), modified(0) {}
    bool operator==(const MenuFileStamp& other) const {
        return exists == other.exists && size == other.size && modified == other.modified;
    }
    bool exists;
    UINT64 size;
    INT64 modified;  // ticks of the file clock
};

class AutoCadProxy {
public:
    explicit AutoCadProxy(QxAutoCad* qxAutoCadP);
    ~AutoCadProxy();

    // ---- Navigation driver ------------------------------------------------
    // One tick's loop: keys, then cap passes until the time budget is spent
    // or the cap is at rest.
    void doTransform();
    // One pass: true when the cap was found deflected.
    bool handleDeviceCap();
    // kNavMode2D in a layout's paper space, kNavMode3D everywhere else;
    // stored in mNavMode.
    INT32 retrieveNavMode();

    // ---- 3D navigation ------------------------------------------------------
    void handleCapIsDeflectedIn3DMode(INT16 tx, INT16 ty, INT16 tz, INT16 rx, INT16 ry, INT16 rz);
    void retrieveViewParams(AcGsView*& viewP, INT32& vportNum);
    bool calcScreenAxesRelativeToObject(AcGsView* viewP, AcGeVector3d& xAxis, AcGeVector3d& yAxis,
                                        AcGeVector3d& zAxis);
    void moveXYZ(AcGsView* viewP, double dx, double dy, double dz, const AcGeVector3d& xAxis,
                 const AcGeVector3d& yAxis, const AcGeVector3d& zAxis, INT32 rotMode,
                 bool isPerspective, bool isLevel);
    void move3D(AcGsView* viewP, double amount, const AcGeVector3d& direction, bool isLevel,
                bool isPerspective);
    // `axis` may be replaced by the world Z axis (no-roll yaw).
    void rotate(AcGsView* viewP, double angle, int axisIndex, const AcGePoint3d& centre,
                AcGeVector3d& axis, INT32 rotMode, bool isNoRoll, bool isPerspective);
    // Ends a 2D or 3D motion; `mode` is the navigation mode of the pass.
    void handleCapIsReleased(INT32 mode);
    // At unload: ends a motion still under way as a release of the cap would
    // (document unlocked, navigation bar back, view written back).
    void releaseCapAtUnload();
    // Before `doc` stops being the active drawing or closes (the document
    // data manager hears it): a motion under way in it (or holding its lock)
    // ends as a release would, while it is still the current drawing; logs
    // "<why> - cap released.". Nothing for another drawing.
    void releaseCapForDocument(AcApDocument* doc, const char* why);

    // ---- 2D navigation ------------------------------------------------------
    void handleCapIsDeflectedIn2DMode(INT16 tx, INT16 ty, INT16 tz);
    void pan2D(double dx, double dy);
    void zoom2D(double dz);

    // ---- Object move mode ---------------------------------------------------
    bool transformSelection3d(double tx, double ty, double tz, double rx, double ry, double rz,
                              const AcGeVector3d& xAxis, const AcGeVector3d& yAxis,
                              const AcGeVector3d& zAxis, bool isLevel, bool isNoRoll);
    bool transformSelection2d(double tx, double ty);

    // ---- Scroll mode ---------------------------------------------------------
    // True when a control under the mouse pointer took the pass.
    bool scrollWindowUnderCursor(INT32 x, INT32 y, INT32 z);

    // ---- Selection lookups ----------------------------------------------------
    // selSet null: the pickfirst selection, read only on a motion's first step.
    bool getSelObjectsCenter(ads_name selSet, AcGePoint3d& centre);
    bool getSelObjectAxis(AcGeVector3d& axis, AcGePoint3d& startPoint);

    // ---- Keys, menu file, menu-export plug-in ---------------------------------
    void handleDeviceKeys();
    void execApplFunction(INT32 index);
    void execSpecialApplFunction(INT32 code);
    // Sets mIsMenuLoaded once the file gave at least one mode name.
    void loadMenufile();
    void StartDotNETPlugin();

    // ---- Members, in this order -------------------------------------------------
    QxAutoCad* mQxAutoCadP;  // not owning
    INT32 mTraSensBase;
    INT32 mRotSensBase;
    UINT32 mMaxContMoveTime;  // ms budget of one tick
    bool mUseInt3dIntrfce;
    // Written on the main thread, read by the reading thread (mode name).
    InterlockedValue mNavMode;
    bool mIsCapMoving;
    // Looked up by the reading thread; see ModeNameTable.
    ModeNameTable mModeNames;
    // Main thread only.
    std::vector<std::string> mMenuEntries;
    bool mIsToRunTimer;
    bool mIsDocLocked;
    bool mIsNavBarHidden;
    // Rotation settings: written by the reading and watchdog threads.
    InterlockedValue mRotMode;
    InterlockedValue mIsZoomAllAfterView;
    InterlockedValue mRotModeTens;
    InterlockedValue mRotModeHundreds;
    bool mIsObjectMoveMode;
    bool mIsMenuLoaded;
    UINT_PTR mTimerId;
    // The drawing the motion's lock was taken on, where the release gives it
    // back; null without a lock.
    AcApDocument* mLockedDocP;
    // This motion has warned of a step not applied for the view's limits.
    bool mIsViewLimitWarned;
    // Size and modification time of the menu file at the last load that
    // gave no mode names: it is read again only once it has changed.
    MenuFileStamp mFailedMenuStamp;
    // That stamp was taken too close to the file's last change to tell a
    // change of the same size after it: the file is read again.
    bool mIsMenuStampRacy;

    // ---- Helpers of navigation and object move mode ------------------------------
    // The pickfirst selection ("I") for the length of a scope: freed on every
    // way out when it was obtained.
    class PickfirstSet {
    public:
        PickfirstSet();
        ~PickfirstSet();
        bool isValid() const { return mIsValid; }
        Adesk::Int64* name() { return mName; }

    private:
        PickfirstSet(const PickfirstSet&);
        PickfirstSet& operator=(const PickfirstSet&);

        ads_name mName;
        bool mIsValid;
    };
    // The document manager's current document; null without one or without
    // a manager.
    static AcApDocument* currentDocument();
    // Locks the current document for writing once per motion (mIsDocLocked).
    void lockDocumentForMotion();
    // Locks `doc` for writing and remembers it in mLockedDocP when that
    // worked. No manager: nothing.
    void takeDocumentLock(AcApDocManager* docManager, AcApDocument* doc);
    // Gives the motion's lock back on the drawing it was taken on.
    void giveDocumentLockBack(AcApDocManager* docManager);
    // Ends the motion as a release in the last pass's mode would; a hidden
    // navigation bar comes back whatever that mode was.
    void releaseCapNow();
    // Object move mode's step: with a document and a pickfirst selection,
    // applies the matrix that makeXform(set name) builds to the selected
    // entities under the motion's document lock. False without them or on an
    // error (logged for `method`). Defined in object_move.cpp.
    template <class MakeXform>
    bool transformPickfirst(const char* method, bool isToRedraw, MakeXform makeXform);
    // On a motion's first step: one ERR entry for each sensitivity base of 0
    // (that axis group stays still). True when `base` may be divided by.
    bool isUsableSensBase(INT32 base, const char* key, const char* method) const;
    // Once a motion: the WRN entry that a step was not applied because its
    // view would leave the limits of view_limits.h.
    void warnViewOutOfLimits(const char* method);

private:
    AutoCadProxy(const AutoCadProxy&);
    AutoCadProxy& operator=(const AutoCadProxy&);
};

// The one proxy, stored by its constructor and cleared by its destructor;
// the timer procedure and the toggle commands reach it only through here.
extern AutoCadProxy* gAutoCadProxy;

// The navigation driver's one-shot tick (all four arguments are ignored).
void CALLBACK TimerProc(HWND hWnd, UINT msg, UINT_PTR timerId, DWORD tickCount);
