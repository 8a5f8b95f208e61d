#include "test_host.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "arx_control.h"
#include "arx_drawing_control.h"
#include "qxv_ctrlr_control.h"
#include "transcript.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

void TestHost::SetUp() {
    win32sim::resetSimulation();
    win32sim::resetDesktop();
    qxdaemon::reset();
    arxsim::reset();
    arxdrawing::reset();
    transcript::setMemoryCapture(true);
    transcript::clearCaptured();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mProfile = fs::temp_directory_path() / ("qx_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    fs::remove_all(mProfile);
    fs::create_directories(appsDir());
    setenv("USERPROFILE", mProfile.c_str(), 1);
}

void TestHost::TearDown() {
    EXPECT_EQ(win32sim::registeredThreadCount(), 0) << "threads left running";
    EXPECT_EQ(win32sim::openEventCount(), 0) << "event handles left open";
    EXPECT_EQ(win32sim::openFileHandleCount(), 0) << "file, listing or process handles left open";
    const arxdrawing::Balances b = arxdrawing::balances();
    EXPECT_EQ(0, b.stillOpen()) << "objects left open";
    EXPECT_EQ(0, b.setsLeaked()) << "selection sets not freed";
    for (const int doc : arxsim::openDocuments()) {
        EXPECT_EQ(0, arxsim::lockDepth(doc)) << "drawing " << doc << " left locked";
    }
    transcript::setMemoryCapture(false);
    transcript::clearCaptured();
    std::error_code ec;
    fs::permissions(mProfile, fs::perms::owner_all, fs::perm_options::add, ec);
    if (!HasFailure()) {
        fs::remove_all(mProfile, ec);  // kept for a look when the test failed
    }
}

std::string TestHost::logText() const {
    return readFile(logPath());
}

int TestHost::logCount(const std::string& text) const {
    return countOf(logText(), text);
}

void TestHost::runFor(std::uint64_t ms) {
    win32sim::runMessageLoopUntil(win32sim::nowMs() + ms);
}

void TestHost::tick() {
    const auto due = win32sim::nextTimerDueMs();
    ASSERT_TRUE(due.has_value()) << "no timer armed: the driver stopped";
    win32sim::runMessageLoopUntil(*due + 1);
}

void TestHost::sendKey(int code) {
    qxdaemon::sendEvent(code);
    win32sim::waitQuiescent();
}

void TestHost::sendCap(short tx, short ty, short tz, short rx, short ry, short rz) {
    qxdaemon::sendMotion(tx, ty, tz, rx, ry, rz);
    win32sim::waitQuiescent();
}

std::vector<std::string> TestHost::events(const std::string& ev) {
    const std::string marker = "\"ev\":\"" + ev + "\"";
    std::vector<std::string> found;
    for (const std::string& line : transcript::captured()) {
        if (line.find(marker) != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

std::vector<std::uint64_t> TestHost::times(const std::string& ev) {
    std::vector<std::uint64_t> found;
    for (const std::string& line : events(ev)) {
        found.push_back(static_cast<std::uint64_t>(numberField(line, "t")));
    }
    return found;
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

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> readLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) {
        ++count;
    }
    return count;
}

FullDisk::FullDisk(const fs::path& dir) : mDir(dir) {
    fs::create_directories(dir);
    getrlimit(RLIMIT_FSIZE, &mOldLimit);
    const std::string image = "'" + dir.string() + ".img' ";
    const std::string mount = "exec >/dev/null 2>&1; truncate -s 256K " + image +
                              "&& mkfs.ext4 -qFb 1024 " + image + "&& mount -o loop " + image +
                              "'" + dir.string() + "'";
    mIsMounted = geteuid() == 0 && std::system(mount.c_str()) == 0;
}

FullDisk::~FullDisk() {
    free();
    EXPECT_TRUE(!mIsMounted || std::system(("umount '" + mDir.string() + "'").c_str()) == 0);
    fs::remove(mDir.string() + ".img");
}

void FullDisk::fill() {
    std::ofstream filler;
    if (mIsMounted) {
        filler.open(mDir / "filler", std::ios::binary);
    } else {  // writes beyond the limit then fail with EFBIG instead of a signal
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, mOldLimit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &none);
    }
    while (filler.is_open() && filler.write(std::string(1024, 'f').data(), 1024).flush()) {
    }
}

void FullDisk::free() {
    fs::remove(mDir / "filler");
    setrlimit(RLIMIT_FSIZE, &mOldLimit);
}

TestThread::TestThread(std::function<void()> body) : mBody(std::move(body)) {
    const auto run = [](void* self) -> void* {
        static_cast<TestThread*>(self)->mBody();
        return nullptr;
    };
    EXPECT_EQ(0, pthread_create(&mId, nullptr, run, this));
}

void TestThread::join() {
    if (!mJoined) {
        pthread_join(mId, nullptr);
        mJoined = true;
    }
}
