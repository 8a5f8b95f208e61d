// qxsim's command line: option forms, defaults and mistakes.

#include <gtest/gtest.h>

#include "options.h"

namespace qxsim {
namespace {

TEST(CommandLine, DefaultsLeaveEveryChoiceOpen) {
    CommandLine cl = parseCommandLine({});
    EXPECT_EQ(cl.error, "");
    EXPECT_FALSE(cl.options.profileDir || cl.options.transcriptPath || cl.options.renderDir ||
                 cl.options.modulePath || cl.options.scenario);
    EXPECT_FALSE(cl.options.realTime);
}

TEST(CommandLine, TakesValuesAsNextArgumentOrAfterEquals) {
    CommandLine cl = parseCommandLine({"--profile", "p", "--transcript=t.jsonl", "--real-time",
                                       "--module", "m.so", "--render=r", "-"});
    ASSERT_EQ(cl.error, "");
    EXPECT_EQ(cl.options.profileDir, "p");
    EXPECT_EQ(cl.options.transcriptPath, "t.jsonl");
    EXPECT_EQ(cl.options.modulePath, "m.so");
    EXPECT_EQ(cl.options.renderDir, "r");
    EXPECT_EQ(cl.options.scenario, "-");
    EXPECT_TRUE(cl.options.realTime);

    EXPECT_EQ(parseCommandLine({"--", "--odd-name.qxs"}).options.scenario, "--odd-name.qxs");
}

TEST(CommandLine, RefusesMistakes) {
    EXPECT_EQ(parseCommandLine({"--profile"}).error, "option --profile expects a value");
    EXPECT_EQ(parseCommandLine({"--transcript="}).error,
              "option --transcript expects a non-empty value");
    EXPECT_EQ(parseCommandLine({"--fast"}).error, "unknown option '--fast'");
    EXPECT_EQ(parseCommandLine({"a.qxs", "b.qxs"}).error,
              "more than one scenario given: 'a.qxs' and 'b.qxs'");
    EXPECT_EQ(parseCommandLine({"--max-time", "0"}).error,
              "option --max-time expects a whole number from 1 to 86400000000");
    EXPECT_EQ(parseCommandLine({"--max-transcript=2048"}).options.maxTranscriptMiB, 2048u);
    EXPECT_NE(parseCommandLine({"--live", "--real-time"}).error.find("--real-time goes without"),
              std::string::npos);
}

}  // namespace
}  // namespace qxsim
