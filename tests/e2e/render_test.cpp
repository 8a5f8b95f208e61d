// qxsim --render: the pictures of a session and their index page, and the
// host running the standard-view and zoom-all commands the module queues.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e_support.h"

namespace e2e {
namespace {
namespace fs = std::filesystem;

TEST(Render, PicturesAtStartAfterEachMotionAndKeyAndAtTheEnd) {
    RunSetup setup;
    setup.extraArgs = {"--render", "pictures"};
    SimRun run = runQxsim(
        "drawing sample\n"
        "select 4\n"
        "wait 200\n"
        "cap 0 0 0 0 200 0\n"
        "wait 300\n"
        "release\n"
        "wait 200\n"
        "command QX_Toggle_Scroll_Mode   # no picture for a command\n"
        "command QX_Toggle_Scroll_Mode\n"
        "key 0x2000B\n"
        "wait 300\n",
        setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path dir = fs::path(run.dir) / "pictures";
    const std::string index = readFile(dir / "index.html");
    ASSERT_EQ(countOf(index, "<img "), 4u) << index;
    for (int i = 1; i <= 4; ++i) {
        const fs::path svg = dir / ("view-00" + std::to_string(i) + ".svg");
        ASSERT_TRUE(fs::exists(svg)) << svg;
        EXPECT_NE(index.find("src=\"" + svg.filename().string() + "\""), std::string::npos);
        // The selected hole is drawn highlighted in every picture; the
        // caption stands once, whole, on the page below it.
        EXPECT_EQ(countOf(readFile(svg), "stroke=\"#e76f51\""), 1u) << svg;
        EXPECT_EQ(countOf(readFile(svg), "scenario.qxs:"), 0u) << svg;
    }
    // The captions name the steps that led to each picture, in order.
    const std::size_t start = index.find("the start\nscenario.qxs:1  drawing sample");
    const std::size_t motion =
        index.find("scenario.qxs:4  cap 0 0 0 0 200 0\nscenario.qxs:6  release");
    const std::size_t key = index.find("scenario.qxs:10  key 0x2000B\nhost ran: '_-VIEW _TOP");
    EXPECT_NE(start, std::string::npos) << index;
    EXPECT_NE(motion, std::string::npos) << index;
    EXPECT_NE(key, std::string::npos) << index;
    EXPECT_LT(start, motion);
    EXPECT_LT(motion, key);
    EXPECT_NE(index.find("the end of the session"), std::string::npos);
    EXPECT_NE(run.out.find("pictures/index.html (4 views)"), std::string::npos) << run.out;
    removeRun(run);
}

TEST(Render, FolderThatCannotBeMadeIsAnIoError) {
    RunSetup setup;
    setup.extraArgs = {"--render", "scenario.qxs/pictures"};  // under a file
    SimRun run = runQxsim("wait 10\n", setup);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot make the picture folder 'scenario.qxs/pictures'"),
              std::string::npos)
        << run.err;
    removeRun(run);
}

}  // namespace
}  // namespace e2e
