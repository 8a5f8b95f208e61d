// The plug-in's files, folders, message box and module path on Windows: the
// C run-time's answer for a folder, text files with CR LF, the log's backup
// under Windows rename rules, the box and beep for a missing applications
// folder, and the module's own path as the loader reports it.
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "arx_control.h"
#include "file_kind.h"
#include "auto_cad_proxy.h"
#include "host_helpers.h"
#include "logging.h"
#include "wine_host.h"

namespace fs = std::filesystem;

namespace {

class WindowsFiles : public WineHost {};

TEST_F(WindowsFiles, FolderExistsOnlyForFoldersThroughTheRunTimesAccessDenied) {
    createAppsDir();
    const std::string file = appsDirPath() + "\\plain.txt";
    std::ofstream(file) << "x";

    errno = 0;
    EXPECT_EQ(_open(appsDirPath().c_str(), _O_RDONLY, 0), -1);
    EXPECT_EQ(errno, EACCES) << "the run-time refuses to open a folder with error 13";

    EXPECT_TRUE(folderExists(appsDirPath()));
    EXPECT_FALSE(folderExists(file)) << "a plain file is no folder";
    EXPECT_FALSE(folderExists(appsDirPath() + "\\missing"));
    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(fileExists(appsDirPath())) << "a folder does not open as a file";

    // A named pipe has no device attribute; its opened handle tells it.
    const char* const pipeName = "\\\\.\\pipe\\qx_kind_test";
    HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE,
                                   PIPE_UNLIMITED_INSTANCES, 0, 0, 0, NULL);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(isRegularOrMissing(pipeName));
    EXPECT_FALSE(fileExists(pipeName));
    EXPECT_TRUE(isRegularOrMissing(file));
    CloseHandle(pipe);
}

TEST_F(WindowsFiles, SettingsAndLogAreCrLfTextAtBackslashPaths) {
    createAppsDir();
    load();
    unload();

    const std::string settings = readBinary(appsDirPath() + "\\autocad_addin.ini");
    ASSERT_FALSE(settings.empty());
    EXPECT_NE(settings.find("[PROGRAM]\r\n"), std::string::npos);
    EXPECT_NE(settings.find("[LOGGING]\r\n"), std::string::npos);
    EXPECT_EQ(bareLineFeeds(settings), 0);

    const std::string log = readBinary(deviceDirPath() + "\\autocad_addin_log.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.find("Constructing ...\r\n"), std::string::npos);
    EXPECT_EQ(bareLineFeeds(log), 0);
}

TEST_F(WindowsFiles, LogBackupReplacesAnOlderBackup) {
    writeSetting("maxSize", "1");
    const std::string logPath = deviceDirPath() + "\\autocad_addin_log.txt";
    const std::string bakPath = deviceDirPath() + "\\autocad_addin_log.bak";
    std::ofstream(bakPath) << "backup of an earlier session\n";
    // Windows does not rename onto an existing file: the backup must delete
    // the old one first.
    std::ofstream(logPath) << "x\n";
    ASSERT_NE(std::rename(logPath.c_str(), bakPath.c_str()), 0);
    fs::remove(logPath);

    // Each load and unload writes well over 1000 bytes of creation entries.
    load();
    unload();
    load();
    unload();

    const std::string bak = readBinary(bakPath);
    ASSERT_FALSE(bak.empty());
    EXPECT_EQ(bak.find("earlier session"), std::string::npos)
        << "the old backup was deleted before the rename";
    EXPECT_NE(bak.find("Quorvex logfile"), std::string::npos);
    const std::string log = readBinary(logPath);
    const std::string headerRule = bak.substr(0, bak.find('\n') + 1);
    EXPECT_EQ(log.compare(0, headerRule.size(), headerRule), 0)
        << "a new log starts with its header";
    EXPECT_EQ(bareLineFeeds(bak) + bareLineFeeds(log), 0);
    // The limit is checked before each line, counting CR LF as two bytes:
    // everything before the backup's last line stays below 1000 bytes.
    const std::size_t lastLine = bak.rfind('\n', bak.size() - 2) + 1;
    EXPECT_LT(lastLine, 1000u);
    EXPECT_GE(bak.size(), 1000u);
}

// The size limit counts the bytes on disk, where each line ends in CR LF:
// whatever the length of the lines, the backup holds less than the limit
// before its last line and reaches it with that line.
TEST_F(WindowsFiles, LogLimitCountsCrLfLineEnds) {
    createAppsDir();
    LogParameters pars;
    pars.mSettingsDirPath = deviceDirPath();
    pars.mMaxSize = 1;
    const std::string bakPath = deviceDirPath() + "\\autocad_addin_log.bak";
    LogParameters off = pars;
    off.mIsLogToFile = false;
    for (std::size_t length = 1; length <= 40; ++length) {
        gLogging.init(off);  // closes the file, which Windows will not delete while open
        fs::remove(bakPath);
        fs::remove(deviceDirPath() + "\\autocad_addin_log.txt");
        gLogging.init(pars);
        // Lines that differ: a run of equal ones would be left out.
        for (int i = 0; i < 40 && !fs::exists(bakPath); ++i) {
            QX_LOG(ERR, "..\\..\\tests\\limit", "Limit", "Limit::write")
                << std::string(length, static_cast<char>('a' + i % 26)) << LOG_END;
        }
        const std::string bak = readBinary(bakPath);
        ASSERT_GE(bak.size(), 1000u) << "message length " << length;
        const std::size_t lastLine = bak.rfind('\n', bak.size() - 2) + 1;
        EXPECT_LT(lastLine, 1000u) << "message length " << length;
    }
    gLogging.init(off);
}

// ---- Message box and beep ------------------------------------------------

std::vector<std::string> gShown;  // what the user saw and heard, in order

BOOL WINAPI recordingBeep(DWORD freq, DWORD ms) {
    gShown.push_back("beep " + std::to_string(freq) + " " + std::to_string(ms));
    return TRUE;
}

// Points this program's import of kernel32!Beep at `replacement`.
bool redirectBeep(void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<char*>(base + imp->Name), "kernel32.dll") != 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), "Beep") == 0) {
                DWORD old;
                VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
                return true;
            }
        }
    }
    return false;
}

// Thread timer on the host's thread: runs inside the box's modal loop,
// notes the box's caption and text, and presses OK.
void CALLBACK closeErrorBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"#32770", L"Quorvex Plug-in Error");
    if (box == nullptr) {
        return;
    }
    KillTimer(nullptr, id);
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);  // the box's static text
    char narrow[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    gShown.push_back(std::string("box ") + narrow);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(WindowsFiles, MissingApplicationsFolderBeepsThenShowsTheBox) {
    gShown.clear();
    void* realBeep = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "Beep"));
    ASSERT_TRUE(redirectBeep(reinterpret_cast<void*>(&recordingBeep)));
    const UINT_PTR closer = SetTimer(nullptr, 0, 50, closeErrorBox);

    load();  // returns once the box has been closed
    KillTimer(nullptr, closer);
    redirectBeep(realBeep);

    const std::string expected = "box Folder '" + appsDirPath() +
                                 "' not found!\n\nStart the driver first and try again to read "
                                 "out AutoCAD's menu items.";
    ASSERT_EQ(gShown.size(), 2u);
    EXPECT_EQ(gShown[0], "beep 440 200");
    EXPECT_EQ(gShown[1], expected);
    EXPECT_TRUE(arxsim::sentStrings().empty()) << "no menu-export command";
}

// ---- The module's own path -------------------------------------------------

void* procAddress(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

TEST_F(WindowsFiles, LoadedModuleQueuesTheMenuExportFromItsOwnFolder) {
    createAppsDir();
    // A copy of the module in a folder of its own, with the menu-export file
    // beside it. Its imports resolve to the stand-ins this program loaded.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const fs::path built = fs::path(exe).parent_path() / "qxautocad.arx";
    const fs::path folder = mProfile / "Plug ins";
    fs::create_directories(folder);
    fs::copy_file(built, folder / "qxautocad.arx");
    std::ofstream(folder / "MenuHarvester2011.dll") << "assembly";

    HMODULE module = LoadLibraryW((folder / "qxautocad.arx").wstring().c_str());
    ASSERT_NE(module, nullptr) << "error " << GetLastError();
    using EntryPoint = AcRx::AppRetCode (*)(AcRx::AppMsgCode, void*);
    auto entry = reinterpret_cast<EntryPoint>(procAddress(module, "acrxEntryPoint"));
    auto version = reinterpret_cast<int (*)()>(procAddress(module, "acrxGetApiVersion"));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), 18 << 16);

    static int appId = 0;
    entry(AcRx::kInitAppMsg, &appId);
    entry(AcRx::kUnloadAppMsg, nullptr);
    EXPECT_TRUE(FreeLibrary(module));

    std::string forward = (folder / "MenuHarvester2011.dll").string();
    for (char& c : forward) {
        if (c == '\\') {
            c = '/';
        }
    }
    const std::wstring command =
        L"(command \"netload\" \"" + std::wstring(forward.begin(), forward.end()) + L"\")\n";
    const auto sent = arxsim::sentStrings();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], command);
}

}  // namespace
