// End-to-end navigation scenarios: qxsim plays each through the loaded
// module in virtual time, and the navigation events of its transcript (view,
// view_saved, paper_view, entity, redraw, lock, unlock, navigation-bar
// commands) must equal the golden file golden/<name>.jsonl, where lines
// that repeat the last one or two kept lines are kept as a count. The golden
// files were checked by hand; QX_UPDATE_GOLDEN=1 rewrites them (check the
// difference before committing).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kNavEvents[] = {"view",   "view_saved", "paper_view", "entity",
                                  "redraw", "lock",       "unlock"};

bool isNavLine(const std::string& line) {
    for (const char* ev : kNavEvents) {
        if (line.find("\"ev\":\"" + std::string(ev) + "\"") != std::string::npos) {
            return true;
        }
    }
    return line.find("\"ev\":\"send\"") != std::string::npos &&
           line.find("_navbardisplay") != std::string::npos;
}

std::vector<std::string> readLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Plays `scenario` in a fresh folder; returns the navigation lines of the
// transcript. Fails the test when qxsim does not end with 0.
std::vector<std::string> play(const std::string& name, const std::string& scenario) {
    const fs::path dir =
        fs::temp_directory_path() / ("qx_e2e_nav_" + std::to_string(getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir / "profile" / "QuorvexDevice" / "Applications");
    std::ofstream(dir / "scenario.qxs") << scenario;

    const std::string exe = QXSIM_EXE;
    const std::string profile = (dir / "profile").string();
    const std::string transcript = (dir / "transcript.jsonl").string();
    const std::string scenarioPath = (dir / "scenario.qxs").string();
    const std::string out = (dir / "out.txt").string();
    std::vector<char*> argv = {const_cast<char*>(exe.c_str()),
                               const_cast<char*>("--profile"),
                               const_cast<char*>(profile.c_str()),
                               const_cast<char*>("--transcript"),
                               const_cast<char*>(transcript.c_str()),
                               const_cast<char*>(scenarioPath.c_str()),
                               nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "qxsim failed; its output:\n"
        << [&] {
               std::ostringstream text;
               text << std::ifstream(out).rdbuf();
               return text.str();
           }();

    // Lines that repeat one of the last two kept lines (equal but for their
    // time) become a count: a tick of cheap steps (2D object moves, each an
    // entity and a redraw line) stays readable.
    std::vector<std::string> nav;
    std::string previous;
    std::string beforePrevious;
    int repeats = 0;
    const auto flush = [&] {
        if (repeats > 0) {
            nav.push_back("{\"same_again\":" + std::to_string(repeats) + "}");
        }
        repeats = 0;
    };
    for (const std::string& line : readLines(transcript)) {
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
    if (!::testing::Test::HasFailure()) {
        fs::remove_all(dir);
    }
    return nav;
}

void expectGolden(const std::string& name, const std::vector<std::string>& actual) {
    const fs::path golden = fs::path(QX_E2E_NAV_DIR) / "golden" / (name + ".jsonl");
    if (const char* update = std::getenv("QX_UPDATE_GOLDEN");
        update && std::string(update) == "1") {
        std::ofstream file(golden);
        for (const std::string& line : actual) {
            file << line << "\n";
        }
        return;
    }
    const std::vector<std::string> expected = readLines(golden);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
    EXPECT_EQ(expected.size(), actual.size()) << "lines in " << golden;
    for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        EXPECT_EQ(expected[i], actual[i]) << "line " << i + 1 << " of " << golden;
    }
}

void check(const std::string& name, const std::string& scenario) {
    expectGolden(name, play(name, scenario));
}

// Every scenario starts on the Model tab with the initial top view (camera
// at (0,0,100) over the origin, field 200 x 150), the daemon up, rotation
// code 0 and the default settings. The module loads at the first wait; its
// timer ticks every 100 ms, so a cap is held across a tick; each 3D step
// costs a 16 ms frame.

TEST(NavE2e, Orbit) {
    check("orbit", R"(
wait 150
cap 0 0 0 500 -300 0   # tilt forward and turn: about the target
wait 120
release
wait 100
)");
}

TEST(NavE2e, Pan) {
    check("pan", R"(
wait 150
cap 2000 -1000 0 0 0 0   # right and down: the camera moves to -X, +Y
wait 120
release
wait 100
)");
}

TEST(NavE2e, Zoom) {
    check("zoom", R"(
wait 150
cap 0 0 2000 0 0 0    # pull: field / 1.1 a step
wait 120
release
wait 100
cap 0 0 -8000 0 0 0   # push hard: field / 0.8 a step
wait 120
release
wait 100
)");
}

TEST(NavE2e, PivotOnSelection) {
    check("pivot", R"(
drawing sample
select 4               # the circle at (25, 0, 0)
wait 150
cap 0 0 0 0 1000 0     # turns about the vertical through the circle's centre
wait 120
release
wait 100
command QX_Toggle_Rotation_Axis
select 5               # the post: a line from (0,0,0) to (0,0,40)
cap 0 0 0 0 0 1000     # roll part of the line: about the post
wait 120
release
wait 100
)");
}

TEST(NavE2e, ObjectMove) {
    check("object_move", R"(
drawing sample
layer post locked
select 4 5             # the circle moves, the post on a locked layer stays
wait 150
command QX_Toggle_Object_Move_Mode
cap 100 0 0 0 0 100    # 50 units to the right, turning about the circle
wait 120
release
wait 100
space paper
cap 1000 0 0 0 0 0     # paper space: 0.05 units along X, redrawn
wait 120
release
wait 100
select none
cap 0 0 0 300 0 0      # nothing selected in model space: the camera turns
space model
wait 120
release
wait 100
)");
}

TEST(NavE2e, PaperSpacePanAndZoom) {
    check("paper", R"(
space paper
paperview 100 50 150 400 300
wait 150
cap 2000 0 0 0 0 0     # the centre moves a tenth of the width to -X
wait 120
release
wait 100
cap 0 0 -2000 0 0 0    # zoom out: view height x 1.1
wait 120
release
wait 100
)");
}

}  // namespace
