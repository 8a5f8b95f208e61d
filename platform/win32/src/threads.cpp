// Registry of plug-in threads. Code linked with -Wl,--wrap=pthread_create
// comes here for every new thread: it is registered before it exists (so it
// counts as running from its birth) and forgotten when its routine returns.
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "sim_state.h"

extern "C" int __real_pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                                     void* (*start)(void*), void* arg);

namespace win32sim {
namespace detail {

namespace {

thread_local ThreadRec* tSelf = nullptr;

struct StartPack {
    void* (*start)(void*);
    void* arg;
    ThreadRec* rec;
};

ThreadRec* registerThread() {
    auto* rec = new ThreadRec;
    SimState& w = simState();
    std::lock_guard<std::mutex> guard(w.lock);
    w.threads.push_back(rec);
    rec->running = false;
    markRunningLocked(rec);
    return rec;
}

void unregisterThread(ThreadRec* rec) {
    SimState& w = simState();
    {
        std::lock_guard<std::mutex> guard(w.lock);
        if (rec->running) {
            --w.running;
        }
        releaseBatonLocked(rec);
        w.threads.remove(rec);
        w.hostCv.notify_all();
    }
    delete rec;
}

// Also runs when the thread leaves by pthread_exit or cancellation, which
// unwind the stack.
struct Unregister {
    ~Unregister() {
        ThreadRec* rec = tSelf;
        tSelf = nullptr;
        unregisterThread(rec);
    }
};

void* trampoline(void* packed) {
    const StartPack pack = *static_cast<StartPack*>(packed);
    delete static_cast<StartPack*>(packed);
    tSelf = pack.rec;
    Unregister guard;
    {
        std::unique_lock<std::mutex> lock(simState().lock);
        acquireBatonLocked(lock, pack.rec);
    }
    return pack.start(pack.arg);
}

}  // namespace

ThreadRec* currentThread() {
    return tSelf;
}

}  // namespace detail

bool isRegisteredThread() {
    return detail::currentThread() != nullptr;
}

int registeredThreadCount() {
    detail::SimState& w = detail::simState();
    std::lock_guard<std::mutex> guard(w.lock);
    return static_cast<int>(w.threads.size());
}

}  // namespace win32sim

extern "C" int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                                     void* (*start)(void*), void* arg) {
    using namespace win32sim::detail;
    // As the real call, which reports a lack of memory and throws nothing.
    ThreadRec* rec = nullptr;
    StartPack* pack = nullptr;
    try {
        rec = registerThread();
        pack = new StartPack{start, arg, rec};
    } catch (const std::bad_alloc&) {
        if (rec != nullptr) {
            unregisterThread(rec);
        }
        return EAGAIN;
    }
    const int rc = __real_pthread_create(thread, attr, trampoline, pack);
    if (rc != 0) {
        delete pack;
        unregisterThread(rec);
    } else if (!currentThread() && isVirtual()) {
        // A host thread lets the new thread run up to its first wait before
        // it goes on, so what both do at the same virtual time always comes
        // in the same order.
        std::unique_lock<std::mutex> lock(simState().lock);
        waitQuiescentLocked(lock);
    }
    return rc;
}
