// The module's exported entry points and its instance handle.
#include "autocad2011_app.h"
#include "module_instance.h"

// The host API version the module is built against, as (major << 16) | minor.
inline constexpr int kArxApiMajor = 18;
inline constexpr int kArxApiMinor = 0;

#if defined(_WIN32)
#define QX_EXPORT __declspec(dllexport)
#else
#define QX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QX_EXPORT AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt) {
    return theApp.dispatch(msg, pkt);
}

extern "C" QX_EXPORT int acrxGetApiVersion() {
    return (kArxApiMajor << 16) | kArxApiMinor;
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
