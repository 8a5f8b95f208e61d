#include "hostile_host.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "arx_control.h"
#include "arx_drawing_control.h"
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

void HostileHost::SetUp() {
    PluginHost::SetUp();
    fs::remove(settingsPath());
    // A relative path the plug-in might write to would land in mWorkDir.
    mWorkDir = mProfile.string() + "_work";
    fs::remove_all(mWorkDir);
    fs::create_directories(mWorkDir);
    mOldWorkDir = fs::current_path();
    fs::current_path(mWorkDir);
}

void HostileHost::TearDown() {
    unload();
    fs::current_path(mOldWorkDir);
    std::error_code ec;
    EXPECT_TRUE(fs::is_empty(mWorkDir, ec)) << "written into the working folder";
    for (const auto& entry : fs::directory_iterator(mProfile, ec)) {
        EXPECT_EQ(entry.path(), deviceDir()) << "written beside the device folder";
    }
    makeRemovable(mProfile);
    fs::remove_all(mWorkDir, ec);
    PluginHost::TearDown();
}

std::string HostileHost::defaultSettings(const std::string& key, const std::string& value) {
    std::string text = readFile(QX_DEFAULT_SETTINGS_FILE);
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

void HostileHost::writeSparse(const fs::path& path, std::uint64_t bytes) {
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(bytes)), 0);
    ::close(fd);
}

::testing::AssertionResult HostileHost::keysStillWork() {
    arxsim::clearOutput();
    sendKey(kTopViewKey);
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

void HostileHost::runUnprivileged(const std::function<std::string()>& scenario) {
    EXPECT_EXIT(
        {
            if (geteuid() == 0) {
                makeOwnedBy(mProfile, kNobody, kNoGroup);
                makeOwnedBy(mWorkDir, kNobody, kNoGroup);
                if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0) {
                    std::fprintf(stderr, "cannot drop root's rights\n");
                    std::_Exit(2);
                }
                prctl(PR_SET_PDEATHSIG, SIGKILL);  // a change of user clears it
            }
            const std::string failures = scenario();
            unload();
            std::fputs(failures.c_str(), stderr);
            std::fflush(stderr);
            std::_Exit(failures.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
