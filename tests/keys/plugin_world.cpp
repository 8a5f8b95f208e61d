#include "plugin_world.h"

#include <fstream>
#include <regex>
#include <sstream>

#include "arx_control.h"
#include "captured_events.h"
#include "cnfg.h"
#include "win32_control.h"

namespace fs = std::filesystem;

void PluginWorld::SetUp() {
    CoreWorld::SetUp();
    // A settings file read at load keeps the log in the profile's folder.
    { Settings defaults; }
}

fs::path PluginWorld::appsDir() const {
    return mProfile / "QuorvexDevice" / "Applications";
}

void PluginWorld::writeMenu(const std::string& text) const {
    std::ofstream(appsDir() / "autocad.mnu", std::ios::binary) << text;
}

void PluginWorld::setSetting(const std::string& key, const std::string& value) const {
    const fs::path path = appsDir() / "autocad_addin.ini";
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    const std::regex line("(\t" + key + " +=) [^ ]+");
    std::ofstream(path) << std::regex_replace(text.str(), line, "$1 " + value);
}

std::string PluginWorld::setting(const std::string& key) const {
    int32_t status = 0;
    Cnfg file((appsDir() / "autocad_addin.ini").string(), status);
    std::string value = "<missing>";
    file.getParameter(key, value, "PROGRAM", true);
    return value;
}

void PluginWorld::tick() {
    const auto due = win32sim::nextTimerDueMs();
    ASSERT_TRUE(due.has_value()) << "no timer armed";
    win32sim::runMessageLoopUntil(*due + 1);
}

std::vector<std::string> PluginWorld::events(const std::string& ev) const {
    return captured::ofKind(ev);
}

std::vector<std::wstring> sentTexts() {
    return arxsim::sentStrings();
}
