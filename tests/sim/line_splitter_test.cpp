// Standard input split into lines as it arrives.

#include <gtest/gtest.h>

#include "line_splitter.h"

namespace qxsim {
namespace {

std::vector<std::string> drain(LineSplitter& splitter) {
    std::vector<std::string> lines;
    for (std::string line; splitter.next(line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(LineSplitter, LinesAcrossPiecesAndALastOneWithoutLineFeed) {
    LineSplitter splitter;
    splitter.append("wait 1");
    EXPECT_TRUE(drain(splitter).empty());
    splitter.append("0\n\nrel");
    EXPECT_EQ(drain(splitter), (std::vector<std::string>{"wait 10", ""}));
    splitter.append("ease\nkey 1");
    EXPECT_EQ(drain(splitter), std::vector<std::string>{"release"});
    splitter.close();
    EXPECT_EQ(drain(splitter), std::vector<std::string>{"key 1"});
}

TEST(LineSplitter, LongLineInSmallPiecesIsReadInLinearTime) {
    // Searching the whole line again for each piece would look at 5e11 bytes.
    constexpr std::size_t kPieces = 16 * 1024, kPiece = 4096;
    LineSplitter splitter;
    const std::string piece(kPiece, 'x');
    for (std::size_t i = 0; i < kPieces; ++i) {
        splitter.append(piece);
        ASSERT_TRUE(drain(splitter).empty());
    }
    splitter.append("\nnext\n");
    const std::vector<std::string> lines = drain(splitter);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), kPieces * kPiece);
    EXPECT_EQ(lines[1], "next");
}

}  // namespace
}  // namespace qxsim
