// Pickfirst selection sets and entity redraws.
#include "drawing_db.h"

#include "arx_control.h"
#include "transcript.h"
#include "win32_control.h"

using arxsim::db::charge;
using arxsim::db::chargeFrame;
using arxsim::db::drawing;
using arxsim::db::DrawingDb;
using arxsim::db::isSetName;
using arxsim::db::kEntityNameTag;
using arxsim::db::kSelSetTag;

namespace {

// The entity indices of the set `name` names, or null when it names no set
// handed out and not yet freed. Lock held.
const std::vector<int>* handedOutSetLocked(const DrawingDb& w, const ads_name name) {
    if (!isSetName(name)) {
        return nullptr;
    }
    const auto it = w.sets.find(name[0]);
    return it == w.sets.end() ? nullptr : &it->second;
}

}  // namespace

// ---- Selection sets ------------------------------------------------------------------

int acedSSGet(const ACHAR* str, const void* pt1, const void* pt2, const struct resbuf* filter,
              ads_name ss) {
    charge();
    if (ss == nullptr || str == nullptr || std::wstring(str) != L"I" || pt1 != nullptr ||
        pt2 != nullptr || filter != nullptr || !arxsim::hasDocument()) {
        return RTERROR;
    }
    DrawingDb& w = drawing();
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
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    const std::vector<int>* set = handedOutSetLocked(w, sname);
    if (set == nullptr || len == nullptr) {
        return RTERROR;
    }
    *len = static_cast<long>(set->size());
    return RTNORM;
}

int acedSSName(const ads_name ss, long i, ads_name entres) {
    charge();
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    const std::vector<int>* set = handedOutSetLocked(w, ss);
    if (set == nullptr || entres == nullptr || i < 0 || i >= static_cast<long>(set->size()) ||
        i == w.ssNameFailIndex) {
        return RTERROR;
    }
    entres[0] = (*set)[static_cast<std::size_t>(i)] + 1;
    entres[1] = kEntityNameTag;
    return RTNORM;
}

int acedSSFree(const ads_name sname) {
    charge();
    DrawingDb& w = drawing();
    std::lock_guard<std::mutex> guard(w.lock);
    if (!isSetName(sname) || w.sets.erase(sname[0]) == 0) {
        return RTERROR;
    }
    ++w.balances.setsFreed;
    return RTNORM;
}

int acedRedraw(const ads_name ent, int mode) {
    DrawingDb& w = drawing();
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
    chargeFrame();
    return RTNORM;
}
