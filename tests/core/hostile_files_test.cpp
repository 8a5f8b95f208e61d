// Settings files and menu files that are empty, binary, huge, hold NUL
// bytes, end their lines with CR alone or with a mix, cannot be read, or are
// folders: the plug-in keeps running, reads what the reader's rules give,
// and never loses the user's file without a trace.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "arx_control.h"
#include "auto_cad_proxy.h"
#include "host_helpers.h"
#include "hostile_host.h"
#include "qxv_ctrlr_control.h"
#include "win32_control.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kHugeBytes = 100'000'000;
constexpr int kApplFuncStart = 0x20020;

std::string randomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(rng());
    }
    return bytes;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ---- Settings file -----------------------------------------------------------------

class HostileSettings : public HostileHost {
protected:
    // Loads over `bytes` as the settings file: the plug-in falls back to the
    // defaults, writes the default file and keeps the user's file beside it,
    // under the next backup name.
    void expectReplacedByDefaults(const std::string& bytes) {
        writeFile(settingsPath(), bytes);
        load();
        EXPECT_EQ(mQx->mLogPars.mMaxSize, 5000);
        EXPECT_TRUE(mQx->mToggleRotationCenter);
        EXPECT_TRUE(keysStillWork());
        EXPECT_EQ(readFile(settingsPath()), defaultSettings());
        const std::string backup = mBackups == 0 ? "" : std::to_string(mBackups);
        ++mBackups;
        EXPECT_EQ(readFile(appsDir() / ("autocad_addin.bak" + backup)), bytes)
            << "the user's file is gone";
        unload();
    }
    int mBackups = 0;
};

TEST_F(HostileSettings, EmptyBinaryAndCrOnlyFilesAreReplacedAndKept) {
    expectReplacedByDefaults("");
    expectReplacedByDefaults(randomBytes(64 * 1024, 1));
    // Lines ended by CR alone are one line, a comment: no section, no key.
    expectReplacedByDefaults(replaceAll(defaultSettings("maxSize", "77"), "\n", "\r"));
    // One CR-only line end in the middle swallows the key after it.
    std::string mixed = defaultSettings("maxSize", "77");
    mixed.replace(mixed.find("\n\tlogToFile"), 1, "\r");
    expectReplacedByDefaults(mixed);
}

TEST_F(HostileSettings, WindowsAndMixedLineEndsAndNulBytesStillRead) {
    // CRLF and LF lines mixed; a NUL ends the number, a NUL at the very end
    // of a value is dropped.
    std::string text = replaceAll(defaultSettings("maxSize", "77"), "\n", "\r\n");
    text = replaceAll(text, "\r\n\tlogToCnsl", "\n\tlogToCnsl");
    text = replaceAll(text, "= 77", std::string("= 77\0\0junk", 10));
    const auto name = text.find("\tname");
    text.replace(name, text.find('\n', name) - name, std::string("\tname = AutoCAD Plug-in\0", 24));
    writeFile(settingsPath(), text);
    load();
    EXPECT_EQ(mQx->mLogPars.mMaxSize, 77);
    EXPECT_EQ(mQx->mName, "AutoCAD Plug-in");
    EXPECT_TRUE(keysStillWork());
    EXPECT_FALSE(fs::exists(appsDir() / "autocad_addin.bak")) << "a good file is not backed up";
}

TEST_F(HostileSettings, HugeFileIsReplacedAndKeptWithoutHangingTheLoad) {
    writeSparse(settingsPath(), kHugeBytes);
    const auto start = std::chrono::steady_clock::now();
    load();
    const double seconds = secondsSince(start);
    EXPECT_LT(seconds, 2.0);
    RecordProperty("load_seconds", std::to_string(seconds));
    EXPECT_TRUE(keysStillWork());
    EXPECT_EQ(readFile(settingsPath()), defaultSettings());
    EXPECT_EQ(fs::file_size(appsDir() / "autocad_addin.bak"), kHugeBytes);
    // Held while the settings were read, written once the log has started.
    EXPECT_EQ(logCount("' kept as '" + (appsDir() / "autocad_addin.bak").string() + "'."), 1);
}

// Asking whether a name is a folder opens a plain file and closes it again,
// also when it gets the lowest descriptor, 0.
TEST_F(HostileSettings, FolderProbeClosesThePlainFileItOpens) {
    writeFile(settingsPath(), "x");
    const int savedStdin = dup(0);  // -1 without a standard input
    close(0);
    EXPECT_FALSE(folderExists(settingsPath().string()));
    EXPECT_EQ(fcntl(0, F_GETFD), -1) << "descriptor 0 left open";
    close(0);
    if (savedStdin >= 0) {
        dup2(savedStdin, 0);
        close(savedStdin);
    }
}

TEST_F(HostileSettings, FolderInsteadOfFileStaysAndTheFailureIsLogged) {
    fs::create_directories(settingsPath() / "keep");
    load();
    EXPECT_EQ(mQx->mLogPars.mMaxSize, 5000);
    EXPECT_TRUE(keysStillWork());
    unload();
    EXPECT_TRUE(fs::exists(settingsPath() / "keep"));
    // Written back at unload, when the log runs.
    EXPECT_EQ(logCount("Writing default settings file 'autocad_addin.ini' failed!"), 1);
}

TEST_F(HostileSettings, UnreadableFileIsKeptAside) {
    const std::string mine = defaultSettings("maxSize", "77");
    writeFile(settingsPath(), mine);
    runUnprivileged([&] {
        Checks checks;
        fs::permissions(settingsPath(), fs::perms::none);
        load();
        checks.expect(mQx->mLogPars.mMaxSize == 5000, "defaults in use");
        checks.expect(static_cast<bool>(keysStillWork()), "keys still work");
        unload();
        const fs::path backup = appsDir() / "autocad_addin.bak";
        checks.expect(fs::exists(backup), "the user's file was not kept aside");
        std::error_code ec;
        fs::permissions(backup, fs::perms::owner_read, ec);
        checks.expect(readFile(backup) == mine, "the kept file differs from the user's");
        checks.expect(readFile(settingsPath()) == defaultSettings(),
                      "no default file in its place");
        return checks.failures();
    });
}

TEST_F(HostileSettings, FileThatCannotBeKeptAsideIsNotOverwritten) {
    const std::string mine = "[PROGRAM]\nname = mine, lacking every other key\n";
    writeFile(settingsPath(), mine);
    runUnprivileged([&] {
        Checks checks;
        // The file may be written, but not moved out of its folder.
        fs::permissions(appsDir(), fs::perms::owner_read | fs::perms::owner_exec);
        load();
        checks.expect(mQx->mLogPars.mMaxSize == 5000, "defaults in use");
        checks.expect(static_cast<bool>(keysStillWork()), "keys still work");
        unload();
        checks.expect(readFile(settingsPath()) == mine, "the user's file was written over");
        checks.expect(logCount("' couldn't be kept as '") == 1 &&
                          logCount("! It is left as it is; the default values are used.") == 1,
                      "one entry says so:\n" + logText());
        return checks.failures();
    });
}

// ---- Menu file ---------------------------------------------------------------------

class HostileMenu : public HostileHost {
protected:
    void SetUp() override {
        HostileHost::SetUp();
        writeFile(settingsPath(), defaultSettings());
    }

    std::string loadedEntry() const { return "Menu file '" + menuPath().string() + "' with "; }

    // A menu file without mode names is read once (again only when it
    // changes), keys find no macro, and the daemon hears "Unknown".
    void expectNeverLoaded(int ticks, int loadEntries) {
        load();
        for (int i = 0; i < ticks; ++i) {
            tick();
        }
        EXPECT_FALSE(mQx->mAutoCadProxyP->mIsMenuLoaded);
        EXPECT_EQ(logCount(loadedEntry()), loadEntries);
        sendKey(kApplFuncStart);
        EXPECT_TRUE(keysStillWork());
        EXPECT_EQ(logCount("keyEvent (0') too big (max. is -1)!"), 1);
        EXPECT_EQ(qxdaemon::lastModeReported(), "Unknown");
        unload();
    }
};

TEST_F(HostileMenu, EmptyBinaryAndCrOnlyFilesAreReadOnceWhileUnchanged) {
    writeFile(menuPath(), "");
    expectNeverLoaded(3, 1);
    fs::remove(logPath());
    writeFile(menuPath(), randomBytes(64 * 1024, 2));
    expectNeverLoaded(3, 1);
    fs::remove(logPath());
    writeFile(menuPath(), "[Modes]\rStart = 0\rPaper = 1\rModel = 2\r\r[MenuBar]\rL = {ID}_line\r");
    expectNeverLoaded(3, 1);
}

TEST_F(HostileMenu, UnreadableOrFolderIsTriedAgainSilently) {
    fs::create_directories(menuPath() / "keep");
    expectNeverLoaded(3, 0);
    fs::remove_all(menuPath());
    writeFile(menuPath(), "[Modes]\nStart = 0\n");
    runUnprivileged([&] {
        Checks checks;
        fs::permissions(menuPath(), fs::perms::none);
        load();
        tick();
        tick();
        checks.expect(!mQx->mAutoCadProxyP->mIsMenuLoaded, "an unreadable menu is not loaded");
        checks.expect(logCount(loadedEntry()) == 0, "an unreadable menu logs nothing");
        checks.expect(static_cast<bool>(keysStillWork()), "keys still work");
        return checks.failures();
    });
}

TEST_F(HostileMenu, MixedLineEndsAndNulBytesLoad) {
    constexpr char kMenu[] =
        "[Modes]\r\nStart = 0\nPaper = 1\r\nModel\r\n\r\n"
        "[MenuBar]\nLine = {ID_Line}_line\0junk|Draw\r\nRegen = {ID_Regen}_regen|Regen\r\n";
    writeFile(menuPath(), std::string(kMenu, sizeof kMenu - 1));
    load();
    tick();
    EXPECT_TRUE(mQx->mAutoCadProxyP->mIsMenuLoaded);
    EXPECT_EQ(mQx->mAutoCadProxyP->mMenuEntries.size(), 2u);
    arxsim::clearOutput();
    sendKey(kApplFuncStart + 1);
    tick();
    const auto sent = arxsim::sentStrings();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], L"_regen\n");
    EXPECT_EQ(qxdaemon::lastModeReported(), "Model");
}

}  // namespace
