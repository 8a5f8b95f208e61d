// The menu file reader on arbitrary file contents: the plug-in object runs
// once in a scratch profile; each input becomes its autocad.mnu, is loaded,
// and every macro it yields is sent to the host stand-in's command line.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "arx_control.h"
#include "auto_cad_proxy.h"
#include "qx_auto_cad.h"

namespace {

// Macros run per input; enough to cover splitting without slowing the run.
constexpr std::size_t kMaxMacrosRun = 64;

struct Session {
    std::string menuPath;
    std::unique_ptr<QxAutoCad> plugin;
};

// A scratch profile with a settings file that keeps the log off the disk,
// and the plug-in object loaded in it.
Session& session() {
    static Session* s = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "fuzz_menuXXXXXX").string();
        if (mkdtemp(dir.data()) == nullptr) {
            abort();
        }
        const auto apps = std::filesystem::path(dir) / "QuorvexDevice" / "Applications";
        std::filesystem::create_directories(apps);
        setenv("USERPROFILE", dir.c_str(), 1);
        {
            Settings settings;
            settings.mLogPars.mIsLogToFile = false;
        }  // written back with file logging off
        auto* made = new Session;
        made->menuPath = (apps / "autocad.mnu").string();
        made->plugin = std::make_unique<QxAutoCad>();
        return made;
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Session& s = session();
    {
        std::ofstream out(s.menuPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    AutoCadProxy& proxy = *s.plugin->mAutoCadProxyP;
    proxy.mIsMenuLoaded = false;
    proxy.loadMenufile();

    if (proxy.mIsMenuLoaded != !proxy.mModeNames.empty()) {
        abort();  // loaded exactly when "Modes" gave names
    }
    for (const std::string& macro : proxy.mMenuEntries) {
        if (macro.find('|') != std::string::npos) {
            abort();  // a macro ends before the first "|"
        }
    }
    const auto modes = static_cast<int>(proxy.mModeNames.size());
    if (proxy.mModeNames.nameAt(modes) != "Unknown" || proxy.mModeNames.nameAt(-1) != "Unknown") {
        abort();
    }
    for (std::size_t i = 0; i < proxy.mMenuEntries.size() && i < kMaxMacrosRun; ++i) {
        proxy.execApplFunction(static_cast<int32_t>(i));
    }
    proxy.execApplFunction(static_cast<int32_t>(proxy.mMenuEntries.size()));
    arxsim::clearOutput();
    return 0;
}
