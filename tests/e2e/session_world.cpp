#include "session_world.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "captured_events.h"
#include "module_session.h"
#include "player.h"
#include "scenario.h"
#include "transcript.h"
#include "win32_control.h"

namespace fs = std::filesystem;

namespace {

int entriesIn(const char* dir) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) {
        ++count;
    }
    return count;
}

}  // namespace

void SessionWorld::SetUp() {
    qxsim::resetSessionWorld();
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_reliability_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    const fs::path apps = mProfile / "QuorvexDevice" / "Applications";
    fs::create_directories(apps);
    fs::copy_file(QX_SAMPLE_MENU, apps / "autocad.mnu");
    setenv("USERPROFILE", mProfile.c_str(), 1);
}

void SessionWorld::TearDown() {
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    if (!HasFailure()) {
        fs::remove_all(mProfile);  // kept for a look when the test failed
    }
}

void SessionWorld::play(const std::string& scenario) {
    const qxsim::ParseResult parsed = qxsim::parseScenario(scenario, "scenario");
    ASSERT_FALSE(parsed.error) << parsed.error->text();
    qxsim::ModuleSession module(qxsim::moduleBesideExecutable());
    qxsim::Player player(module);
    std::string error;
    EXPECT_EQ(player.play(parsed.steps, error), 0) << error;
    for (const std::string& warning : player.warnings()) {
        ADD_FAILURE() << warning;
    }
}

std::vector<std::string> SessionWorld::events(const std::string& ev) {
    return captured::ofKind(ev);
}

std::vector<std::uint64_t> SessionWorld::times(const std::string& ev) {
    std::vector<std::uint64_t> found;
    for (const std::string& line : events(ev)) {
        found.push_back(static_cast<std::uint64_t>(numberField(line, "t")));
    }
    return found;
}

std::string SessionWorld::logText() const {
    std::ifstream in(mProfile / "QuorvexDevice" / "autocad_addin_log.txt");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int SessionWorld::logCount(const std::string& text) const {
    const std::string log = logText();
    int count = 0;
    for (auto pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1)) {
        ++count;
    }
    return count;
}

double numberField(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\":";
    const auto pos = line.find(marker);
    return pos == std::string::npos ? -1 : std::strtod(line.c_str() + pos + marker.size(), nullptr);
}

std::string textField(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\":\"";
    const auto pos = line.find(marker);
    if (pos == std::string::npos) {
        return "";
    }
    const auto start = pos + marker.size();
    return line.substr(start, line.find('"', start) - start);
}

int openDescriptorCount() {
    return entriesIn("/proc/self/fd");
}

int threadCount() {
    return entriesIn("/proc/self/task");
}

int threadCountSettledTo(int expected) {
    // A joined thread can stay listed for a moment: the kernel wakes the
    // joiner when the thread releases its memory, before it removes the task.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int count = threadCount();
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
        count = threadCount();
    }
    return count;
}
