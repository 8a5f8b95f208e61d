// Sole owner of one object made with new: deletes it when reset or destroyed.
// Not copyable. Any thread, as its owner.
#pragma once

#include <cstddef>

template <class T>
class ScopedPtr {
public:
    explicit ScopedPtr(T* object = NULL) : mObject(object) {}
    ~ScopedPtr() { delete mObject; }

    // Takes `object` over and deletes the one owned before, if another.
    void reset(T* object = NULL) {
        if (object != mObject) {
            T* old = mObject;
            mObject = object;
            delete old;
        }
    }
    T* get() const { return mObject; }
    T& operator*() const { return *mObject; }
    T* operator->() const { return mObject; }

private:
    ScopedPtr(const ScopedPtr&);
    ScopedPtr& operator=(const ScopedPtr&);

    T* mObject;
};
