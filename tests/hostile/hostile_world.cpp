#include "hostile_world.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "arx_control.h"
#include "arx_world_control.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"
#include "win32_desktop_control.h"

namespace fs = std::filesystem;

namespace {

// The unprivileged user and group of Debian ("nobody", "nogroup").
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

constexpr int kTopViewKey = 0x2000B;

void makeOwnedBy(const fs::path& root, uid_t uid, gid_t gid) {
    (void)::chown(root.c_str(), uid, gid);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        (void)::lchown(entry.path().c_str(), uid, gid);
    }
}

// Gives the owner every right again so that the sandbox can be removed.
void makeRemovable(const fs::path& root) {
    std::error_code ec;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink()) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
}

}  // namespace

void HostileWorld::SetUp() {
    win32sim::resetWorld();
    win32sim::resetDesktop();
    qxdaemon::reset();
    arxsim::reset();
    arxworld::reset();

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mSandbox = fs::temp_directory_path() / ("qx_hostile_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
    makeRemovable(mSandbox);
    fs::remove_all(mSandbox);
    mProfile = mSandbox / "profile";
    mWorkDir = mSandbox / "work";
    fs::create_directories(appsDir());
    fs::create_directories(mWorkDir);
    setenv("USERPROFILE", mProfile.c_str(), 1);
    // A relative path the plug-in might write to would land in the sandbox.
    mOldWorkDir = fs::current_path();
    fs::current_path(mWorkDir);
}

void HostileWorld::TearDown() {
    unload();
    EXPECT_EQ(win32sim::registeredThreadCount(), 0);
    fs::current_path(mOldWorkDir);
    // Nothing outside the profile: the sandbox holds the profile and the
    // empty working folder, the profile nothing but the device folder.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(mSandbox, ec)) {
        EXPECT_TRUE(entry.path() == mProfile || entry.path() == mWorkDir)
            << "written outside the profile: " << entry.path();
    }
    EXPECT_TRUE(fs::is_empty(mWorkDir, ec)) << "written into the working folder";
    for (const auto& entry : fs::directory_iterator(mProfile, ec)) {
        EXPECT_EQ(entry.path(), deviceDir()) << "written beside the device folder";
    }
    makeRemovable(mSandbox);
    fs::remove_all(mSandbox, ec);
}

std::string HostileWorld::defaultSettings(const std::string& key, const std::string& value) {
    std::string text = read(QX_DEFAULT_SETTINGS_FILE);
    if (!key.empty()) {
        const std::string head = "\t" + key + std::string(22 - key.size(), ' ') + "= ";
        const auto start = text.find(head);
        const auto end = text.find(' ', start + head.size());
        if (start != std::string::npos && end != std::string::npos) {
            text.replace(start + head.size(), end - start - head.size(), value);
        }
    }
    return text;
}

void HostileWorld::write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string HostileWorld::read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void HostileWorld::writeSparse(const fs::path& path, std::uint64_t bytes) {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(bytes)), 0);
    ::close(fd);
}

void HostileWorld::load() {
    mQx = std::make_unique<QxAutoCad>();
}

void HostileWorld::unload() {
    mQx.reset();
}

void HostileWorld::tick() {
    const auto due = win32sim::nextTimerDueMs();
    ASSERT_TRUE(due.has_value()) << "no timer armed: the driver stopped";
    win32sim::runMessageLoopUntil(*due + 1);
}

void HostileWorld::sendEvent(int code) {
    qxdaemon::sendEvent(code);
    win32sim::waitQuiescent();
}

::testing::AssertionResult HostileWorld::keysStillWork() {
    arxsim::clearOutput();
    sendEvent(kTopViewKey);
    const auto due = win32sim::nextTimerDueMs();
    if (!due) {
        return ::testing::AssertionFailure() << "no timer armed: the driver stopped";
    }
    win32sim::runMessageLoopUntil(*due + 1);
    for (const std::wstring& text : arxsim::sentStrings()) {
        if (text == L"'_-VIEW _TOP ") {
            return ::testing::AssertionSuccess();
        }
    }
    return ::testing::AssertionFailure() << "the top-view key sent nothing";
}

int HostileWorld::logCount(const std::string& text) const {
    const std::string log = logText();
    int count = 0;
    for (auto pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1)) {
        ++count;
    }
    return count;
}

void HostileWorld::runUnprivileged(const std::function<std::string()>& scenario) {
    EXPECT_EXIT(
        {
            if (geteuid() == 0) {
                makeOwnedBy(mSandbox, kNobody, kNoGroup);
                if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0) {
                    std::fprintf(stderr, "cannot drop root's rights\n");
                    std::_Exit(2);
                }
            }
            const std::string failures = scenario();
            unload();
            std::fputs(failures.c_str(), stderr);
            std::fflush(stderr);
            std::_Exit(failures.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
