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
// own: the module attaches it to the process (before 2.9.0 it must; from
// 2.9.0 the library does it too, and a second call does nothing), and frees
// the implicit POSIX handle that a thread of the host got by taking the
// log's lock (sem_wait) when that thread ends, or, for the thread that
// unloads the module, at the unload. As a DLL (pthreadVC2.dll) the library
// does all of this in its own DllMain.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            _hdllInstance = hInstance;
            gModuleInstance = hInstance;
#if defined(PTW32_STATIC_LIB)
            return pthread_win32_process_attach_np() ? TRUE : FALSE;
#else
            break;
#endif
#if defined(PTW32_STATIC_LIB)
        case DLL_THREAD_DETACH:
            pthread_win32_thread_detach_np();
            break;
        case DLL_PROCESS_DETACH:
            pthread_win32_thread_detach_np();
            pthread_win32_process_detach_np();
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
