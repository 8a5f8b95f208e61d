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

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The numbers of an array field ("position":[x,y,z]) of a transcript line.
std::vector<double> arrayField(const std::string& line, const std::string& key) {
    std::vector<double> values;
    const std::size_t at = line.find("\"" + key + "\":[");
    if (at == std::string::npos) {
        return values;
    }
    std::istringstream in(line.substr(at + key.size() + 4));
    for (double value; in >> value;) {
        values.push_back(value);
        if (in.get() != ',') {
            break;
        }
    }
    return values;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

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
    const std::string index = readText(dir / "index.html");
    ASSERT_EQ(countOf(index, "<img "), 4u) << index;
    for (int i = 1; i <= 4; ++i) {
        const fs::path svg = dir / ("view-00" + std::to_string(i) + ".svg");
        ASSERT_TRUE(fs::exists(svg)) << svg;
        EXPECT_NE(index.find("src=\"" + svg.filename().string() + "\""), std::string::npos);
        // The selected hole is drawn highlighted in every picture; the
        // caption stands once, whole, on the page below it.
        EXPECT_EQ(countOf(readText(svg), "stroke=\"#e76f51\""), 1u) << svg;
        EXPECT_EQ(countOf(readText(svg), "scenario.qxs:"), 0u) << svg;
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

TEST(Render, TheHostRunsQueuedStandardViewsAndZoomAll) {
    // After the top-view key the next orbit starts from the top view, and
    // zoom all fits the 100 x 60 plate into the field with a margin.
    SimRun run = runQxsim(
        "drawing sample\n"
        "view front\n"
        "rotation 0 zoomall on\n"
        "wait 200\n"
        "key 0x2000B\n"
        "wait 300\n"
        "cap 0 0 0 0 0 100\n"
        "wait 20\n"
        "release\n"
        "wait 100\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string firstView;
    for (const std::string& line : run.transcript) {
        if (textField(line, "ev") == "view") {
            firstView = line;
            break;
        }
    }
    ASSERT_FALSE(firstView.empty());
    // Roll about the out-of-screen axis keeps the camera straight above the
    // target; the field is the plate's 100 x 60 widened to 4:3, plus 10%.
    const std::vector<double> position = arrayField(firstView, "position");
    ASSERT_EQ(position.size(), 3u) << firstView;
    EXPECT_NEAR(position[0], 0, 1e-9);
    EXPECT_NEAR(position[1], 0, 1e-9);
    EXPECT_NEAR(position[2], 100, 1e-9);
    EXPECT_NEAR(numberField(firstView, "width"), 110, 1e-9);
    EXPECT_NEAR(numberField(firstView, "height"), 82.5, 1e-9);
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
