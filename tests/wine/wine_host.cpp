#include "wine_host.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "arx_control.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"

namespace fs = std::filesystem;

void WineHost::SetUp() {
    // The plug-in reads the system's tick counter; the stand-ins follow it.
    win32sim::setClockMode(win32sim::ClockMode::Real);
    qxdaemon::reset();
    arxsim::reset();
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_win_" + std::to_string(GetCurrentProcessId()) +
                                            "_" + info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    fs::create_directories(mProfile);
    _putenv_s("USERPROFILE", profilePath().c_str());
}

void WineHost::TearDown() {
    unload();
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    std::error_code ignored;
    fs::remove_all(mProfile, ignored);
}

void WineHost::createAppsDir() const {
    fs::create_directories(appsDirPath());
}

void WineHost::writeSetting(const std::string& key, const std::string& value) const {
    createAppsDir();
    const std::string path = appsDirPath() + "\\autocad_addin.ini";
    if (!fs::exists(path)) {
        Settings defaults;  // writes the default file at destruction
    }
    std::ifstream in(path);
    std::ostringstream out;
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && line.find("\t" + key + " ") == 0) {
            line = "\t" + key + " = " + value;
        }
        out << line << '\n';
    }
    in.close();
    std::ofstream(path) << out.str();
}

void WineHost::load() {
    mQx = std::make_unique<QxAutoCad>();
}

void WineHost::unload() {
    mQx.reset();
}

bool WineHost::pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

std::string readBinary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int bareLineFeeds(const std::string& bytes) {
    int count = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
            ++count;
        }
    }
    return count;
}
