// A smart pointer that keeps a database object open for its lifetime.
#pragma once

#include "dbmain.h"

// Opens an object for the life of the pointer and closes it at the end.
template <class T>
class AcDbObjectPointer {
public:
    AcDbObjectPointer(AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false)
        : mObj(NULL), mStatus(acdbOpenObject(mObj, id, mode, openErased)) {}
    ~AcDbObjectPointer() { close(); }

    Acad::ErrorStatus openStatus() const { return mStatus; }
    T* object() { return mObj; }
    const T* object() const { return mObj; }
    T* operator->() { return mObj; }
    const T* operator->() const { return mObj; }
    operator T*() const { return mObj; }
    Acad::ErrorStatus close() {
        if (mObj == NULL) {
            return Acad::eNullObjectPointer;
        }
        const Acad::ErrorStatus es = mObj->close();
        mObj = NULL;
        mStatus = Acad::eNullObjectPointer;
        return es;
    }

private:
    AcDbObjectPointer(const AcDbObjectPointer&);
    AcDbObjectPointer& operator=(const AcDbObjectPointer&);

    T* mObj;
    Acad::ErrorStatus mStatus;
};
