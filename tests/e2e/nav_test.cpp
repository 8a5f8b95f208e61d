// End-to-end navigation scenarios: qxsim plays scenarios/<name>.qxs through
// the loaded module in virtual time, and the navigation events of its
// transcript (view, view_saved, paper_view, entity, redraw, lock, unlock,
// navigation-bar commands) must equal golden/<name>.jsonl, where lines that
// repeat one of the last two kept lines (but for their time) are kept as a
// count. Every scenario starts on the Model tab with the initial top view,
// the daemon up, rotation code 0 and the default settings. The golden files
// were checked by hand; QX_UPDATE_GOLDEN=1 rewrites them.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

bool isNavLine(const std::string& line) {
    for (const char* ev :
         {"view", "view_saved", "paper_view", "entity", "redraw", "lock", "unlock"}) {
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

// The navigation lines of a transcript, repeats counted.
std::vector<std::string> navLines(const fs::path& transcript) {
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
    return nav;
}

class NavE2e : public ::testing::TestWithParam<const char*> {};

TEST_P(NavE2e, TranscriptMatchesGolden) {
    const std::string name = GetParam();
    const fs::path dir =
        fs::temp_directory_path() / ("qx_e2e_nav_" + std::to_string(getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir / "profile" / "QuorvexDevice" / "Applications");
    const fs::path scenario = fs::path(QX_E2E_NAV_DIR) / "scenarios" / (name + ".qxs");
    const std::string command = std::string("'") + QXSIM_EXE + "' --profile '" +
                                (dir / "profile").string() + "' --transcript '" +
                                (dir / "transcript.jsonl").string() + "' '" + scenario.string() +
                                "' > '" + (dir / "out.txt").string() + "' 2>&1";
    ASSERT_EQ(0, std::system(command.c_str())) << "qxsim failed, see " << dir / "out.txt";
    const std::vector<std::string> actual = navLines(dir / "transcript.jsonl");

    const fs::path golden = fs::path(QX_E2E_NAV_DIR) / "golden" / (name + ".jsonl");
    if (const char* update = std::getenv("QX_UPDATE_GOLDEN");
        update && std::string(update) == "1") {
        std::ofstream file(golden);
        for (const std::string& line : actual) {
            file << line << "\n";
        }
    }
    const std::vector<std::string> expected = readLines(golden);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
    EXPECT_EQ(expected.size(), actual.size()) << "lines in " << golden;
    for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i) {
        EXPECT_EQ(expected[i], actual[i]) << "line " << i + 1 << " of " << golden;
    }
    if (!HasFailure()) {
        fs::remove_all(dir);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, NavE2e,
                         ::testing::Values("orbit", "pan", "zoom", "pivot", "object_move",
                                           "paper"));

}  // namespace
