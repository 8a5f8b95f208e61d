// The module's application object, its exported entry point acrxEntryPoint
// and its instance handle. The other export, acrxGetApiVersion, comes with
// the host's link library.
#include <windows.h>

#include "autocad2011_app.h"
#include "module_instance.h"

IMPLEMENT_ARX_ENTRYPOINT(CAutoCAD2011App)

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        _hdllInstance = hInstance;
        gModuleInstance = hInstance;
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
