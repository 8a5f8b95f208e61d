// qxsim as a program: exit codes and messages, the profile folder it uses
// or makes, where the transcript goes.

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e_support.h"

namespace e2e {
namespace {
namespace fs = std::filesystem;

TEST(Qxsim, ScenarioErrorStopsBeforeLoadingWithFileAndLine) {
    SimRun run = runQxsim("wait 10\ncap 1 2 3\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("scenario.qxs:2: 'cap' takes 6 values, found 3"), std::string::npos)
        << run.err;
    EXPECT_TRUE(run.transcript.empty());
    removeRun(run);
}

TEST(Qxsim, StepThatCannotBeCarriedOutStopsTheSessionAndUnloads) {
    SimRun run = runQxsim("wait 10\nload\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("scenario.qxs:2: 'load' expects an unloaded module"), std::string::npos)
        << run.err;
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(textField(run.transcript.back(), "ev"), "unload");
    removeRun(run);
}

TEST(Qxsim, SetUpStepThatCannotBeCarriedOutNamesFileLineAndWhatWasExpected) {
    const std::pair<const char*, const char*> cases[] = {
        {"line 0 0 0 1 1 1\nwait 10\nselect 0 3\n",
         "scenario.qxs:3: an entity number below 1, found 3"},
        {"circle 0 0 0 0\n", "scenario.qxs:1: a radius above zero, found 0"},
        {"camera 1 2 3 1 2 3 0 0 1 200 150 parallel\n",
         "scenario.qxs:1: a camera apart from its target, found both at the same point"},
        {"paperview 0 0 150 0 300\n",
         "scenario.qxs:1: VIEWHEIGHT, WIDTH and HEIGHT above zero, found 150, 0, 300"},
        {"command QX_Toggle_Scroll_Mode\nunload\ncommand QX_Toggle_Scroll_Mode\n",
         "scenario.qxs:3: no registered command 'QX_Toggle_Scroll_Mode'"},
        {"document new\nwait 10\nnodocument 3\n",
         "scenario.qxs:3: 'nodocument N' expects an open drawing's number; 3 is not open"},
        {"drawing sample\nkey 0x2000B\nwait 10\n",
         "scenario.qxs:2: 'key' before the module is loaded would reach no module"},
    };
    for (const auto& [scenario, expected] : cases) {
        SimRun run = runQxsim(scenario);
        EXPECT_EQ(run.exitCode, 2) << scenario;
        EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
        removeRun(run);
    }
}

TEST(Qxsim, FolderAsScenarioOrTranscriptOnAFullDeviceIsAnError) {
    RunSetup folder;
    folder.passScenario = false;
    folder.extraArgs = {"."};
    SimRun run = runQxsim("", folder);
    EXPECT_EQ(run.exitCode, 2) << run.out;
    EXPECT_NE(run.err.find("cannot read the scenario '.'"), std::string::npos) << run.err;
    removeRun(run);

    RunSetup full;
    full.giveTranscript = false;
    full.extraArgs = {"--transcript", "/dev/full"};
    run = runQxsim("wait 10\n", full);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.err.find("cannot write the transcript '/dev/full'"), std::string::npos)
        << run.err;
    removeRun(run);
}

TEST(Qxsim, ModuleThatCannotBeLoadedNamesPathAndLoaderMessage) {
    RunSetup setup;
    setup.extraArgs = {"--module", "no/such/libmodule.so"};
    SimRun run = runQxsim("wait 10\n", setup);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("cannot load the module 'no/such/libmodule.so': "), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << run.err;
    removeRun(run);
}

TEST(Qxsim, LiveSessionReportsABadLineAndGoesOn) {
    RunSetup setup;
    setup.scenarioOnStdin = true;
    setup.extraArgs = {"--real-time"};
    SimRun run = runQxsim("fly away\ncommand QX_Toggle_Scroll_Mode\n", setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("<stdin>:1: unknown step 'fly'"), std::string::npos) << run.err;
    bool printed = false;
    for (const std::string& line : run.transcript) {
        printed |= textField(line, "text").find("Scroll Trees and Lists:") != std::string::npos;
    }
    EXPECT_TRUE(printed) << "the command after the bad line did not run";
    removeRun(run);
}

TEST(Qxsim, GivenProfileIsUsedAsItIs) {
    RunSetup setup;
    setup.withApplicationsFolder = false;
    SimRun run = runQxsim("wait 100\n", setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_empty(run.profile)) << "qxsim or the module created files in it";
    removeRun(run);
}

TEST(Qxsim, DefaultProfileIsMadeWithSampleMenuAndTranscriptBesideIt) {
    RunSetup setup;
    setup.giveProfile = false;
    setup.giveTranscript = false;
    SimRun run = runQxsim("wait 100\n", setup);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const fs::path device = fs::path(run.dir) / "qxsim-profile" / "QuorvexDevice";
    EXPECT_TRUE(fs::exists(device / "Applications" / "autocad.mnu"));
    EXPECT_TRUE(fs::exists(device / "Applications" / "autocad_addin.ini"));
    EXPECT_TRUE(fs::exists(device / "autocad_addin_log.txt"));
    EXPECT_FALSE(run.transcript.empty()) << "no transcript beside the profile folder";
    removeRun(run);
}

}  // namespace
}  // namespace e2e
