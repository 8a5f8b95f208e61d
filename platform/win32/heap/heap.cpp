// The C runtime's heap behind operator new and delete, for programs that
// must see the module run out of memory at a chosen allocation. Linked into
// a program (not a shared library) so that its operators replace those of
// the C++ library, and of a sanitizer's run-time, for the whole process.
#include <atomic>
#include <cstdlib>
#include <new>

#include "win32_control.h"

namespace {

// Allocations still to pass before the one that fails, per site; -1: none
// is to fail.
std::atomic<int> gCountdown[3] = {-1, -1, -1};
std::atomic<bool> gIsArmed{false};

// True when the allocation at this site is the one to fail.
bool isToFail(win32sim::AllocationSite site) {
    std::atomic<int>& countdown = gCountdown[static_cast<int>(site)];
    return countdown.load() >= 0 && countdown.fetch_sub(1) == 0;
}

void* allocate(std::size_t size) {
    if (gIsArmed.load(std::memory_order_relaxed)) {
        using win32sim::AllocationSite;
        bool isFailed = false;
        if (win32sim::isRegisteredThread()) {
            isFailed = isToFail(AllocationSite::PluginThread);
        } else {
            isFailed = isToFail(AllocationSite::HostThread);
            isFailed = (win32sim::inTimerProcedure() && isToFail(AllocationSite::TimerProcedure)) ||
                       isFailed;
        }
        if (isFailed) {
            throw std::bad_alloc();
        }
    }
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

namespace win32sim {

void failAllocation(AllocationSite site, int skip) {
    gCountdown[static_cast<int>(site)] = skip;
    gIsArmed = true;
}

bool isAllocationFailurePending(AllocationSite site) {
    return gCountdown[static_cast<int>(site)].load() >= 0;
}

}  // namespace win32sim

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
