// Transcript lines: number and string text, field order, the clock stamp,
// the sinks, and whole lines under concurrent writers.
#include <pthread.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "transcript.h"
#include "win32_control.h"

using transcript::Fields;
using transcript::formatNumber;

namespace {

class Transcript : public ::testing::Test {
protected:
    void SetUp() override {
        win32sim::resetWorld();
        transcript::setMemoryCapture(true);
        transcript::clearCaptured();
    }
    void TearDown() override {
        transcript::closeFile();
        transcript::setMemoryCapture(false);
        transcript::clearCaptured();
        win32sim::resetWorld();
    }
};

std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string quoted(std::string_view text) {
    return Fields().str("k", text).text().substr(5);  // after ,"k":
}

}  // namespace

TEST(TranscriptNumbers, ShortestTextThatReadsBackAndNullForNonFinite) {
    EXPECT_EQ("0.1", formatNumber(0.1));
    EXPECT_EQ("1e-300", formatNumber(1e-300));
    EXPECT_EQ("-0", formatNumber(-0.0));
    EXPECT_EQ("0", formatNumber(0.0));
    EXPECT_EQ("100", formatNumber(100.0));
    EXPECT_EQ("0.3333333333333333", formatNumber(1.0 / 3.0));
    EXPECT_EQ("-2.5", formatNumber(-2.5));
    EXPECT_EQ("5e-324", formatNumber(std::numeric_limits<double>::denorm_min()));
    EXPECT_EQ("1.7976931348623157e+308", formatNumber(std::numeric_limits<double>::max()));
    EXPECT_EQ("null", formatNumber(std::nan("")));  // JSON has no non-finite numbers
    EXPECT_EQ("null", formatNumber(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("null", formatNumber(-std::numeric_limits<double>::infinity()));
}

TEST(TranscriptNumbers, EveryTextReadsBackToTheSameDouble) {
    std::mt19937_64 random(20261206);
    std::uniform_int_distribution<std::uint64_t> bits;
    int checked = 0;
    while (checked < 20000) {
        const std::uint64_t pattern = bits(random);
        double value;
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value)) {
            continue;
        }
        const std::string text = formatNumber(value);
        ASSERT_EQ(pattern, [&] {
            const double back = std::strtod(text.c_str(), nullptr);
            std::uint64_t backBits;
            std::memcpy(&backBits, &back, sizeof backBits);
            return backBits;
        }()) << text;
        ++checked;
    }
}

TEST(TranscriptStrings, SpecialCharactersAreEscaped) {
    EXPECT_EQ(R"("plain")", quoted("plain"));
    EXPECT_EQ(R"("say \"hi\"")", quoted("say \"hi\""));
    EXPECT_EQ(R"("C:\\Users\\qx")", quoted("C:\\Users\\qx"));
    EXPECT_EQ(R"("a\nb\rc\td\be\ff")", quoted("a\nb\rc\td\be\ff"));
    EXPECT_EQ(R"("\u0001\u001f")", quoted("\x01\x1f"));
    EXPECT_EQ(R"("nul\u0000here")", quoted(std::string_view("nul\0here", 8)));
    EXPECT_EQ("\"/ \x7f\"", quoted("/ \x7f"));  // needs no escape
    EXPECT_EQ(
        "\"Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC\"",
        quoted("Gr\xC3\xBC\xC3\x9F"
               "e \xE2\x82\xAC"));
}

TEST(TranscriptFields, KeepTheirOrderAndTypes) {
    const Fields fields = Fields()
                              .str("text", "x")
                              .num("width", 0.5)
                              .integer("lparam", -7)
                              .uinteger("wparam", std::numeric_limits<std::uint64_t>::max())
                              .boolean("echo", false)
                              .boolean("activate", true)
                              .numbers("position", {1, -0.25, 1e21})
                              .numbers("none", {})
                              .str("we\"ird", "");
    EXPECT_EQ(R"(,"text":"x","width":0.5,"lparam":-7,"wparam":18446744073709551615,"echo":false,)"
              R"("activate":true,"position":[1,-0.25,1e+21],"none":[],"we\"ird":"")",
              fields.text());
    EXPECT_EQ("", Fields().text());
}

TEST_F(Transcript, LineCarriesTheClockAndTheEvent) {
    win32sim::advanceTo(1234);
    win32sim::chargeUs(999);
    transcript::emit("lib", Fields().str("op", "qxConnect").integer("status", 0));
    transcript::emit("unload");
    const std::vector<std::string> expected = {
        R"({"t":1234,"ev":"lib","op":"qxConnect","status":0})", R"({"t":1234,"ev":"unload"})"};
    EXPECT_EQ(expected, transcript::captured());
    transcript::clearCaptured();
    EXPECT_TRUE(transcript::captured().empty());
    transcript::setMemoryCapture(false);
    transcript::emit("print", Fields().str("text", "dropped"));
    EXPECT_TRUE(transcript::captured().empty());
}

TEST_F(Transcript, FileIsReplacedWhenOpenedAgain) {
    const std::string path = ::testing::TempDir() + "transcript_test.jsonl";
    ASSERT_TRUE(transcript::openFile(path));
    transcript::emit("first");
    ASSERT_TRUE(transcript::openFile(path));
    transcript::emit("second", Fields().integer("n", 2));
    transcript::closeFile();
    transcript::emit("after-close");

    EXPECT_EQ(std::vector<std::string>{R"({"t":0,"ev":"second","n":2})"}, fileLines(path));
    EXPECT_FALSE(transcript::openFile("/nonexistent-folder/x/transcript.jsonl"));
    std::remove(path.c_str());
}

TEST_F(Transcript, LinesFromManyThreadsNeverInterleave) {
    const std::string path = ::testing::TempDir() + "transcript_threads.jsonl";
    ASSERT_TRUE(transcript::openFile(path));
    constexpr int kThreads = 6;
    constexpr int kLines = 400;
    const std::string pad(300, 'p');
    auto lineFor = [&](int thread, int i) {
        return "{\"t\":0,\"ev\":\"spam\",\"thread\":" + std::to_string(thread) +
               ",\"i\":" + std::to_string(i) + ",\"pad\":\"" + pad + "\"}";
    };
    std::vector<std::thread> writers;
    for (int thread = 0; thread < kThreads; ++thread) {
        writers.emplace_back([&, thread] {
            for (int i = 0; i < kLines; ++i) {
                transcript::emit(
                    "spam", Fields().integer("thread", thread).integer("i", i).str("pad", pad));
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    transcript::closeFile();

    std::set<std::string> expected;
    for (int thread = 0; thread < kThreads; ++thread) {
        for (int i = 0; i < kLines; ++i) {
            expected.insert(lineFor(thread, i));
        }
    }
    const std::vector<std::string> memory = transcript::captured();
    EXPECT_EQ(expected, std::set<std::string>(memory.begin(), memory.end()));
    EXPECT_EQ(expected.size(), memory.size());

    EXPECT_EQ(memory, fileLines(path));  // same lines in the same order
    std::remove(path.c_str());
}
