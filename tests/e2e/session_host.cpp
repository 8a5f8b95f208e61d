#include "session_host.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

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

void SessionHost::SetUp() {
    TestHost::SetUp();
    qxsim::resetStandIns();
    fs::copy_file(QX_SAMPLE_MENU, menuPath());
}

void SessionHost::play(const std::string& scenario) {
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
