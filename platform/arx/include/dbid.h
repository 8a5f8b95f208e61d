// Object ids of the drawing database.
#pragma once

#include "adesk.h"

// Opaque identity of a database object; null when default-constructed.
class AcDbObjectId {
public:
    AcDbObjectId() : mId(0) {}
    bool isNull() const { return mId == 0; }
    void setNull() { mId = 0; }
    Adesk::IntPtr asOldId() const { return mId; }
    AcDbObjectId& setFromOldId(Adesk::IntPtr oldId) {
        mId = oldId;
        return *this;
    }
    bool operator==(const AcDbObjectId& other) const { return mId == other.mId; }
    bool operator!=(const AcDbObjectId& other) const { return mId != other.mId; }
    bool operator<(const AcDbObjectId& other) const { return mId < other.mId; }

    static const AcDbObjectId kNull;

private:
    Adesk::IntPtr mId;
};
