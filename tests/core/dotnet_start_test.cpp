// Start of the menu-export plug-in at load: the message box when the
// applications folder is missing, and the NETLOAD command for the assembly
// next to the module.

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "arx_control.h"
#include "plugin_host.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

namespace {

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class MenuExportStart : public PluginHost {
protected:
    void TearDown() override {
        PluginHost::TearDown();
        gModuleInstance = nullptr;
        if (mProbe != nullptr) {
            dlclose(mProbe);
        }
    }
    // Copies the probe module into `folder` and lets it stand for this module.
    void moduleIn(const fs::path& folder) {
        char self[4096] = {};
        ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
        fs::create_directories(folder);
        const fs::path copy = folder / "libqxautocad.so";
        fs::copy_file(fs::path(self).parent_path() / "libkeys_module_probe.so", copy,
                      fs::copy_options::overwrite_existing);
        mProbe = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(mProbe, nullptr) << dlerror();
        gModuleInstance = reinterpret_cast<HINSTANCE>(dlsym(mProbe, "qxKeysProbe"));
        ASSERT_NE(gModuleInstance, nullptr);
    }
    void* mProbe = nullptr;
};

// The box's text, caption and the beep before it are pinned down by the
// end-to-end transcript (tests/e2e, scenarios/no_applications_folder).
TEST_F(MenuExportStart, MissingApplicationsFolderShowsOneOkBoxAndAFileCountsAsMissing) {
    fs::remove_all(appsDir());
    load();
    ASSERT_EQ(win32sim::shownMessageBoxes().size(), 1u);
    EXPECT_EQ(win32sim::shownMessageBoxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(win32sim::soundedBeeps().size(), 1u);
    EXPECT_TRUE(arxsim::sentStrings().empty());

    unload();
    std::ofstream(appsDir()) << "a file, not a folder";
    load();
    EXPECT_EQ(win32sim::shownMessageBoxes().size(), 2u);
}

TEST_F(MenuExportStart, MissingAssemblyIsLoggedAndNothingSent) {
    const fs::path folder = mProfile / "modules";
    moduleIn(folder);
    load();
    EXPECT_EQ(logCount("Error: MenuHarvest does not exist " +
                       (folder / "MenuHarvester2011.dll").string()),
              1);
    EXPECT_TRUE(arxsim::sentStrings().empty());
    EXPECT_TRUE(win32sim::shownMessageBoxes().empty());
}

TEST_F(MenuExportStart, NetloadCommandCarriesForwardSlashesOnly) {
    const fs::path folder = mProfile / "my\\modules";
    moduleIn(folder);
    std::ofstream(folder / "MenuHarvester2011.dll") << "assembly";
    load();
    std::string expected = (folder / "MenuHarvester2011.dll").string();
    for (char& c : expected) {
        c = c == '\\' ? '/' : c;
    }
    ASSERT_EQ(arxsim::sentStrings().size(), 1u);
    EXPECT_EQ(arxsim::sentStrings()[0], L"(command \"netload\" \"" + widen(expected) + L"\")\n");
    EXPECT_NE(events("send").at(0).find(R"("activate":true,"wrapup":false,"echo":true)"),
              std::string::npos);
}

TEST_F(MenuExportStart, NotStartedWhenTheOtherInterfaceNavigates) {
    const fs::path folder = mProfile / "modules";
    moduleIn(folder);
    std::ofstream(folder / "MenuHarvester2011.dll") << "assembly";
    setSetting("useInt3dIntrfce", "on");
    load();
    EXPECT_TRUE(arxsim::sentStrings().empty());
}

}  // namespace
