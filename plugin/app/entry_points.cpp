// The module's application object, its exported entry point acrxEntryPoint
// and its instance handle. The other export, acrxGetApiVersion, comes with
// the host's link library.
#include <pthread.h>

#include <windows.h>

#include "autocad2011_app.h"
#include "module_instance.h"

IMPLEMENT_ARX_ENTRYPOINT(CAutoCAD2011App)

#if defined(_WIN32)
// Linked statically (PTW32_STATIC_LIB), pthreads-win32 has no DllMain of its
// own: the implicit POSIX handle that a thread of the host got by taking the
// log's lock (sem_wait) is freed here when that thread ends. The process's
// attach and detach, and the unloading thread's handle, go with the log's
// static objects (logging.cpp), which the runtime makes before and destroys
// after this function's calls. As a DLL (pthreadVC2.dll) the library does
// all of this in its own DllMain.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            _hdllInstance = hInstance;
            gModuleInstance = hInstance;
            break;
#if defined(PTW32_STATIC_LIB)
        case DLL_THREAD_DETACH:
            pthread_win32_thread_detach_np();
            break;
#endif
        default:
            break;
    }
    return TRUE;
}
#else
namespace {
// Any address inside the module identifies it, as an instance handle does.
const char kModuleAnchor = 0;

__attribute__((constructor)) void storeModuleInstance() {
    _hdllInstance = reinterpret_cast<HINSTANCE>(const_cast<char*>(&kModuleAnchor));
    gModuleInstance = _hdllInstance;
}
}  // namespace
#endif
