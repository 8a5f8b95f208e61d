// The module's exported entry point and its instance handle. The other export,
// acrxGetApiVersion, comes with the host's link library.
#include "autocad2011_app.h"
#include "module_instance.h"

// On Windows the module's .def file names its exports.
#if defined(_WIN32)
#define QX_EXPORT
#else
#define QX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QX_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt) {
    return theApp.dispatch(msg, pkt);
}

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModuleInstance = hInstance;
    }
    return TRUE;
}
#else
namespace {
// Any address inside the module identifies it, as an instance handle does.
const char kModuleAnchor = 0;

[[gnu::constructor]] void storeModuleInstance() {
    gModuleInstance = reinterpret_cast<HINSTANCE>(const_cast<char*>(&kModuleAnchor));
}
}  // namespace
#endif
