// qxsim --render: the pictures of a session and their index page, and the
// host running the standard-view and zoom-all commands the module queues.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace e2e {
namespace {
namespace fs = std::filesystem;

TEST(Render, PicturesAtStartAfterEachMotionAndKeyAndAtTheEnd) {
    RunSetup setup;
    setup.extraArgs = {"--render", "pictures"};
    SimRun run = runQxsim(
        "# The plate, its hole selected.\n"
        "drawing sample\n"
        "select 4\n"
        "window 1 SysListView32 1200 100 1400 600 scroll 0 999 20 500\n"
        "wait 200\n"
        "# An orbit.\n"
        "cap 0 0 0 0 200 0\n"
        "wait 300\n"
        "release\n"
        "wait 200\n"
        "command QX_Toggle_Scroll_Mode   # no picture for a command\n"
        "command QX_Toggle_Scroll_Mode\n"
        "key top\n"
        "wait 300\n"
        "pointer 1300 300\n"
        "cap 0 0 40 0 0 0\n"
        "wait 300\n"
        "release\n"
        "wait 300\n"
        "space paper\n",
        setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path dir = fs::path(run.dir) / "pictures";
    const std::string index = readFile(dir / "index.html");
    ASSERT_EQ(countOf(index, "<img src=\"view-"), 5u) << index;
    std::vector<std::string> svgs;
    for (int i = 1; i <= 5; ++i) {
        const fs::path svg = dir / ("view-00" + std::to_string(i) + ".svg");
        ASSERT_TRUE(fs::exists(svg)) << svg;
        EXPECT_NE(index.find("src=\"" + svg.filename().string() + "\""), std::string::npos);
        svgs.push_back(readFile(svg));
        // The selected hole is drawn highlighted in every picture, the list
        // beside it; the caption stands once, whole, on the page below it.
        EXPECT_EQ(countOf(svgs.back(), "stroke=\"#e76f51\""), 1u) << svg;
        EXPECT_EQ(countOf(svgs.back(), "window 1: SysListView32"), 1u) << svg;
        EXPECT_EQ(countOf(svgs.back(), "scenario.qxs:"), 0u) << svg;
    }
    // The captions name the steps that led to each picture, in order, each
    // after the comment lines before it.
    const std::size_t start =
        index.find("the start\n# The plate, its hole selected.\nscenario.qxs:2  drawing sample");
    // What the motion did follows its steps: the kind, the amount, the centre.
    const std::size_t motion = index.find(
        "# An orbit.\nscenario.qxs:7  cap 0 0 0 0 200 0\nscenario.qxs:9  release\n"
        "  -&gt; orbit ");
    EXPECT_NE(index.find(" deg about the selection's centre (25.0, 0.0, 0.0)", motion),
              std::string::npos);
    const std::size_t key = index.find("scenario.qxs:13  key top\nhost ran: '_-VIEW _TOP");
    const std::size_t scroll =
        index.find("scenario.qxs:18  release\nwindow 1 scrolled from line 500 to 5");
    for (const std::size_t at : {start, motion, key, scroll}) {
        EXPECT_NE(at, std::string::npos) << index;
    }
    EXPECT_LT(start, motion);
    EXPECT_LT(motion, key);
    EXPECT_LT(key, scroll);
    // Only the picture after the scrolling motion shows how far it scrolled;
    // only the last, in paper space, shows the model through the viewport.
    for (std::size_t i = 0; i < svgs.size(); ++i) {
        EXPECT_EQ(countOf(svgs[i], "scrolled +"), i == 3 ? 1u : 0u) << i;
        EXPECT_EQ(countOf(svgs[i],
                          "<g class=\"model-through-viewport\" "
                          "clip-path=\"url(#viewport)\" opacity=\"0.45\">\n<path "),
                  i == 4 ? 1u : 0u)
            << i;
    }
    EXPECT_NE(index.find("the end of the session"), std::string::npos);
    EXPECT_NE(run.out.find("pictures:   " + run.dir + "/pictures/index.html (5 views)"),
              std::string::npos)
        << run.out;
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

// A field set up below its limit, zoomed in further for 100 s: the view ends
// at the limit, every view finite, and no picture holds NaN or infinity.
TEST(Render, AViewPushedPastItsLimitEndsThereAndIsDrawnFinite) {
    RunSetup setup;
    setup.extraArgs = {"--render", "pictures"};
    SimRun run = runQxsim(
        "setting transSensBase 1\nsetting rotSensBase 1\ndrawing sample\n"
        "camera 0 0 1e-6 0 0 0 0 1 0 1e-300 1e-300 perspective\nwait 100\n"
        "cap 32767 32767 32767 32767 32767 32767\nwait 100000\nrelease\nwait 500\n",
        setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_FALSE(run.transcript.empty());
    for (const std::string& line : run.transcript) {
        EXPECT_EQ(line.find("null"), std::string::npos) << line;  // JSON has no NaN
    }
    const auto saved =
        std::find_if(run.transcript.rbegin(), run.transcript.rend(),
                     [](const std::string& line) { return textField(line, "ev") == "view_saved"; });
    ASSERT_NE(saved, run.transcript.rend());
    EXPECT_EQ(numberField(*saved, "width"), 1e-9) << *saved;
    EXPECT_EQ(numberField(*saved, "height"), 1e-9) << *saved;
    int pictures = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(run.dir) / "pictures")) {
        const std::string svg = readFile(entry.path());
        pictures += entry.path().filename().string().starts_with("view-");
        EXPECT_EQ(svg.find("nan"), std::string::npos) << entry.path();
        EXPECT_EQ(svg.find("inf"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(pictures, 3);
    removeRun(run);
}

// Paper viewports whose sides or view height are subnormal or huge, and a
// paper pan from the largest centre there is: every picture and chart finite.
TEST(Render, PaperViewsOfAnySizeAreDrawnFinite) {
    RunSetup setup;
    setup.extraArgs = {"--render", "pictures"};
    std::string scenario = "drawing sample\nspace paper\n";
    for (const char* view :
         {"0 0 1 1 1e-310", "0 0 1 1e308 1e-310", "0 0 1e308 1e308 1", "0 0 1e308 1e308 1e308",
          "0 0 1e308 1 4.9e-324", "1.7976931348623157e308 0 1 1 1"}) {
        scenario += "paperview " + std::string(view) + "\nwait 10\n";
    }
    SimRun run =
        runQxsim(scenario + "cap 3000 3000 3000 0 0 0\nwait 300\nrelease\nwait 200\n", setup);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(run.dir) / "pictures")) {
        const std::string svg = readFile(entry.path());
        files += entry.path().extension() == ".svg";
        EXPECT_EQ(svg.find("nan"), std::string::npos) << entry.path();
        EXPECT_EQ(svg.find("inf"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(files, 9) << "the start, six views, the motion's chart and picture";
    removeRun(run);
}

// A motion held for 40 minutes costs no more memory than one of a minute.
TEST(Render, MemoryDoesNotGrowWithAMotionsLength) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's qxsim keeps freed memory aside and runs 40 times slower";
#endif
    long peak[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        RunSetup setup;
        setup.extraArgs = {"--render", "pictures"};
        SimRun run =
            runQxsim("drawing sample\nwait 100\ncap 0 0 0 0 200 0\nwait " +
                         std::string(i == 0 ? "60000" : "2400000") + "\nrelease\nwait 200\n",
                     setup);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        peak[i] = run.peakKiB;
        removeRun(run);
    }
    EXPECT_LT(peak[1], peak[0] + 8 * 1024) << "KiB";
}

// Past --max-pictures nothing more is drawn, and the session says from when.
// A chart's name taken by a link is left alone (and the session fails).
TEST(Render, PicturesStopAtTheirMostAndTheSessionSaysWhen) {
    RunSetup setup;
    setup.extraArgs = {"--render", "pictures", "--max-pictures", "3"};
    setup.prepare = [](const std::string& dir) {
        fs::create_directories(fs::path(dir) / "pictures");
        writeFile(fs::path(dir) / "mine.txt", "mine");
        fs::create_symlink("../mine.txt", fs::path(dir) / "pictures" / "motion-001.svg");
    };
    std::string scenario = "drawing sample\nwait 100\n";
    for (int i = 0; i < 4; ++i) {
        scenario += "cap 0 0 0 0 200 0\nwait 100\nrelease\nwait 100\n";
    }
    SimRun run = runQxsim(scenario, setup);
    ASSERT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(readFile(fs::path(run.dir) / "mine.txt"), "mine");
    EXPECT_NE(run.err.find("cannot write the chart 'pictures/motion-001.svg'"), std::string::npos)
        << run.err;
    const fs::path dir = fs::path(run.dir) / "pictures";
    EXPECT_TRUE(fs::exists(dir / "view-003.svg"));
    EXPECT_FALSE(fs::exists(dir / "view-004.svg"));
    EXPECT_TRUE(fs::exists(dir / "motion-002.svg"));
    EXPECT_FALSE(fs::exists(dir / "motion-003.svg"));
    const std::string said = "the pictures stopped at 3 (--max-pictures) at t = 700 ms";
    EXPECT_NE(run.err.find("warning: " + said), std::string::npos) << run.err;
    EXPECT_NE(readFile(dir / "index.html").find(said), std::string::npos);
    removeRun(run);
}

}  // namespace
}  // namespace e2e
