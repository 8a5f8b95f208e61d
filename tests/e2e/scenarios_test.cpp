// The scenarios in scenarios/, played by qxsim through the loaded module on
// a first run: the sample menu file and no settings file yet, unless the
// scenario brings its own menu file (scenarios/<name>.mnu) or settings that
// differ from tests/e2e/profile's (scenarios/<name>.ini, "key = value" lines
// written into a copy of that file). Each
// transcript must equal golden/<name>.jsonl, read and checked by hand, and
// where the table says so the log must equal golden/<name>.log. Navigation
// scenarios keep only the navigation events (view, view_saved, paper_view,
// entity, redraw, lock, unlock, navigation-bar commands), and a line that
// repeats one of the last two kept lines but for its time is only counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {
namespace fs = std::filesystem;

bool isNavLine(const std::string& line) {
    const std::string ev = textField(line, "ev");
    for (const char* kind :
         {"view", "view_saved", "paper_view", "entity", "redraw", "lock", "unlock", "document"}) {
        if (ev == kind) {
            return true;
        }
    }
    return ev == "send" && line.find("_navbardisplay") != std::string::npos;
}

std::vector<std::string> navLines(const std::vector<std::string>& lines) {
    std::vector<std::string> nav;
    std::string previous, beforePrevious;
    int repeats = 0;
    const auto flush = [&] {
        if (repeats > 0) {
            nav.push_back("{\"same_again\":" + std::to_string(repeats) + "}");
        }
        repeats = 0;
    };
    for (const std::string& line : lines) {
        if (!isNavLine(line)) {
            continue;
        }
        const std::string untimed = line.substr(line.find(",\"ev\""));
        if (untimed == previous || untimed == beforePrevious) {
            ++repeats;
            continue;
        }
        flush();
        nav.push_back(line);
        beforePrevious = previous;
        previous = untimed;
    }
    flush();
    return nav;
}

// The seeded settings file with the values of the given "key = value" lines
// (lines starting with '#' are comments), each in the file's value column.
std::string settingsWith(const std::vector<std::string>& changes) {
    constexpr std::size_t kValueWidth = 50;
    std::string text = readFile(fs::path(QX_E2E_DIR) / "profile" / "autocad_addin.ini");
    for (const std::string& change : changes) {
        std::istringstream words(change);
        std::string key, equals, value;
        if (!(words >> key >> equals >> value) || key[0] == '#') {
            continue;
        }
        const std::size_t at = text.find("= ", text.find("\t" + key + " ")) + 2;
        text.replace(at, kValueWidth, value + std::string(kValueWidth - value.size(), ' '));
    }
    return text;
}

struct Scenario {
    const char* name;
    bool navOnly;
    bool withLog = false;
    bool withApplicationsFolder = true;
};

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

class Scenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(Scenarios, TranscriptMatchesGolden) {
    const Scenario& s = GetParam();
    RunSetup setup;
    setup.seedSettings = false;
    setup.withApplicationsFolder = s.withApplicationsFolder;
    const std::string name = s.name;
    const fs::path files = fs::path(QX_E2E_DIR) / "scenarios" / name;
    if (fs::exists(files.string() + ".mnu")) {
        setup.menu = readFile(files.string() + ".mnu");
    }
    if (fs::exists(files.string() + ".ini")) {
        setup.settings = settingsWith(readLines(files.string() + ".ini"));
    }
    const SimRun run = runQxsim(readFile(files.string() + ".qxs"), setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NO_DIFF(
        compareWithGolden(s.navOnly ? navLines(run.transcript) : run.transcript, name + ".jsonl"));
    if (s.withLog) {
        EXPECT_NO_DIFF(compareWithGolden(run.log, name + ".log"));
    }
    if (!HasFailure()) {
        removeRun(run);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Golden, Scenarios,
    ::testing::Values(
        Scenario{"keys", false}, Scenario{"driver", false, true}, Scenario{"driver_idle", false},
        Scenario{"menu_file", false, true}, Scenario{"other_interface", false, true},
        Scenario{"no_daemon_at_load", false, true}, Scenario{"daemon_lost_and_back", false, true},
        Scenario{"unload_after_load", false, true}, Scenario{"max_size_zero", false, true},
        Scenario{"modes_refused", false}, Scenario{"scroll", false},
        Scenario{"scroll_controls", false}, Scenario{"toggles", false},
        Scenario{"toggles_next_run", false},
        Scenario{"no_applications_folder", false, false, false}, Scenario{"orbit", true},
        Scenario{"pan", true}, Scenario{"zoom", true}, Scenario{"pivot", true},
        Scenario{"pivot_lookup", true}, Scenario{"object_move", true},
        Scenario{"object_move_axes", true}, Scenario{"paper", true}, Scenario{"paper_steps", true},
        Scenario{"paper_spaces", true}, Scenario{"paper_still", true, true},
        Scenario{"lost_during_object_move", true}, Scenario{"lost_during_paper_pan", true},
        Scenario{"unload_in_motion", true}, Scenario{"drawings", true, true},
        Scenario{"device_during_command", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GoldenCompare, NumbersMatchWithinToleranceIntegersAndTextExactly) {
    const std::string golden = R"({"t":5,"w":200,"p":[0,-2.5]})";
    EXPECT_TRUE(sameWithinTolerance(golden, R"({"t":5,"w":200.00000000000003,"p":[-3e-17,-2.5]})"));
    for (const char* changed :
         {R"({"t":6,"w":200,"p":[0,-2.5]})", R"({"t":5,"w":200,"p":[2e-9,-2.5]})",
          R"({"t":5,"W":200,"p":[0,-2.5]})"}) {
        EXPECT_FALSE(sameWithinTolerance(golden, changed)) << changed;
    }
    // A real golden with a coordinate scaled: the last bits pass, a wrong
    // number fails.
    std::vector<std::string> lines = readLines(fs::path(QX_E2E_DIR) / "golden" / "orbit.jsonl");
    const std::size_t at = lines[0].find("\"position\":[") + 12, end = lines[0].find(',', at);
    const double x = std::stod(lines[0].substr(at, end - at));
    for (const auto& [factor, passes] : {std::pair{1 + 1e-12, true}, {1 + 1e-7, false}}) {
        char number[32];
        std::snprintf(number, sizeof(number), "%.17g", x * factor);
        std::vector<std::string> changed = lines;
        changed[0].replace(at, end - at, number);
        EXPECT_EQ(compareWithGolden(changed, "orbit.jsonl").empty(), passes) << changed[0];
    }
}

TEST(Netload, MenuExportAssemblyNextToTheModuleIsNetloaded) {
    // A copy of the module in a folder of its own, with the assembly beside
    // it; a backslash in the folder's name becomes a slash in the command.
    std::string pattern = (fs::temp_directory_path() / "qxsim-netload-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = fs::path(pattern) / "my\\modules";
    fs::create_directories(folder);
    fs::copy_file(fs::path(QXSIM_EXE).parent_path() / "libqxautocad.so",
                  folder / "libqxautocad.so");
    std::ofstream(folder / "MenuHarvester2011.dll") << "assembly";
    RunSetup setup;
    setup.seedSettings = false;
    setup.extraArgs = {"--module", (folder / "libqxautocad.so").string()};
    SimRun run = runQxsim(readFile(fs::path(QX_E2E_DIR) / "scenarios" / "netload.qxs"), setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The folder as the transcript writes it (JSON) and with slashes only.
    std::string escaped = folder.string(), slashed = folder.string();
    escaped.replace(escaped.find('\\'), 1, "\\\\");
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    for (std::string& line : run.transcript) {
        for (const std::string& path : {escaped, slashed}) {
            for (auto at = line.find(path); at != std::string::npos; at = line.find(path)) {
                line.replace(at, path.size(), "<MODULE>");
            }
        }
    }
    EXPECT_NO_DIFF(compareWithGolden(run.transcript, "netload.jsonl"));
    removeRun(run);
    fs::remove_all(pattern);
}

TEST(Netload, NonAsciiFolderAndMacroReachTheHostIntact) {
    // A user "Šimon Müller" whose name and menu macro hold characters of the
    // ANSI code page's 0x80..0x9F, where it differs from Latin-1 (narrow file
    // names and files are in Windows-1252): the module lies in his profile.
    std::string pattern = (fs::temp_directory_path() / "qxsim-ansi-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path user = pattern + "/\x8Aimon M\xFCller";
    const fs::path apps = user / "QuorvexDevice" / "Applications";
    fs::create_directories(apps);
    fs::create_directories(user / "Plug-ins");
    fs::copy_file(fs::path(QXSIM_EXE).parent_path() / "libqxautocad.so",
                  user / "Plug-ins" / "libqxautocad.so");
    std::ofstream(user / "Plug-ins" / "MenuHarvester2011.dll") << "assembly";
    writeFile(apps / "autocad.mnu",
              "[Modes]\nAutoCAD = 0\n\n[MenuBar]\nPrice = {P}Preis: 12 \x80|\n");
    RunSetup setup;
    setup.giveProfile = false;
    setup.extraArgs = {"--profile", user.string(), "--module",
                       (user / "Plug-ins" / "libqxautocad.so").string()};
    SimRun run = runQxsim("wait 150\nkey 0x20020\nwait 100\n", setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The transcript writes the host's wide text in UTF-8.
    const std::string netload = pattern + "/\u0160imon M\u00fcller/Plug-ins/MenuHarvester2011.dll";
    std::vector<std::string> sent;
    for (const std::string& line : run.transcript) {
        if (textField(line, "ev") == "send") {
            sent.push_back(line.substr(line.find("\"text\":")));
        }
    }
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_NE(sent[0].find("netload\\\" \\\"" + netload + "\\\")"), std::string::npos) << sent[0];
    EXPECT_EQ(textField(sent[2], "text"), "Preis: 12 \u20ac\\n");
    removeRun(run);
    fs::remove_all(pattern);
}

}  // namespace
}  // namespace e2e
