// Keys, scroll mode, toggles and the menu-export start played through qxsim
// and the loaded module; transcripts compared with golden files reviewed by
// hand.

#include <gtest/gtest.h>

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

std::string scenario(const std::string& name) {
    std::ifstream in(fs::path(QX_SCENARIO_DIR) / name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A profile with the applications folder and the sample menu file, and no
// settings file: the plug-in writes its defaults on the first load.
RunSetup firstRun() {
    RunSetup setup;
    setup.seedSettings = false;
    return setup;
}

// Plays a scenario and compares the transcript with golden/<name>.jsonl.
SimRun playAndCompare(const std::string& name, const RunSetup& setup = firstRun()) {
    SimRun run = runQxsim(scenario(name + ".qxs"), setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string diff = compareWithGolden(run.transcript, name + ".jsonl");
    EXPECT_TRUE(diff.empty()) << diff;
    return run;
}

std::vector<std::string> linesWith(const std::vector<std::string>& lines, const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line.find(text) != std::string::npos) {
            out.push_back(line);
        }
    }
    return out;
}

TEST(E2eKeys, KeysRunMacrosViewsAndZoomAll) {
    SimRun run = playAndCompare("keys");
    removeRun(run);
}

TEST(E2eKeys, ScrollModeOverAList) {
    SimRun run = playAndCompare("scroll");
    removeRun(run);
}

TEST(E2eKeys, TogglesAndTheSettingsTheyLeave) {
    SimRun run = playAndCompare("toggles");
    const std::vector<std::string> settings =
        readLines(run.profile + "/QuorvexDevice/Applications/autocad_addin.ini");
    const auto value = [&](const std::string& key) {
        const auto lines = linesWith(settings, "\t" + key + " ");
        return lines.size() == 1 ? lines[0].substr(lines[0].find("= ") + 2, 3) : "<none>";
    };
    EXPECT_EQ(value("toggleRotationCenter"), "off");
    EXPECT_EQ(value("toggleRotationAxis"), "on ");
    EXPECT_EQ(value("scrollTreeAndList"), "off");
    removeRun(run);
}

TEST(E2eKeys, MissingApplicationsFolderAsksForTheDriver) {
    RunSetup setup = firstRun();
    setup.withApplicationsFolder = false;
    SimRun run = playAndCompare("no_applications_folder", setup);
    removeRun(run);
}

TEST(E2eKeys, MenuExportAssemblyNextToTheModuleIsNetloaded) {
    // A copy of the module in a folder of its own, with the assembly beside it.
    std::string pattern = (fs::temp_directory_path() / "qxsim-netload-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    fs::copy_file(fs::path(QXSIM_EXE).parent_path() / "libqxautocad.so",
                  folder / "libqxautocad.so");
    std::ofstream(folder / "MenuHarvester2011.dll") << "assembly";
    RunSetup setup = firstRun();
    setup.extraArgs = {"--module", (folder / "libqxautocad.so").string()};
    SimRun run = runQxsim(scenario("netload.qxs"), setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> transcript;
    for (std::string line : run.transcript) {
        for (auto at = line.find(folder.string()); at != std::string::npos;
             at = line.find(folder.string())) {
            line.replace(at, folder.string().size(), "<MODULE>");
        }
        transcript.push_back(line);
    }
    const std::string diff = compareWithGolden(transcript, "netload.jsonl");
    EXPECT_TRUE(diff.empty()) << diff;
    removeRun(run);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace e2e
