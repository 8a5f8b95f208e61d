// Scenario parser: values, options and lines, numbers in C syntax, and
// errors that name the file, the line and what was expected; standard input
// split into lines.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "line_splitter.h"
#include "scenario.h"
#include "scenario_grammar.h"
#include "setting_keys.h"
#include "step_reference.h"

namespace qxsim {
namespace {

Step parseOne(const std::string& line) {
    ParseResult result = parseScenario(line, "t.qxs");
    EXPECT_FALSE(result.error) << result.error->text();
    EXPECT_EQ(result.steps.size(), 1u) << line;
    return result.steps.empty() ? Step{} : result.steps[0];
}

std::string errorOf(const std::string& text) {
    ParseResult result = parseScenario(text, "bad.qxs");
    return result.error ? result.error->text() : "(no error)";
}

TEST(ScenarioParser, KeepsValuesOptionsAndLinesInOrder) {
    // A byte-order mark before the first line, as some editors write.
    ParseResult result = parseScenario(
        "\xEF\xBB\xBF# a tour \r\n"
        "\n"
        "rotation 14   # no roll\r\n"
        "devices \"Cap \\\"A\\\"\" B\n"
        "window 7 Tree -5 0 100 200 scroll 0 99 10 5 parent 3\n",
        "tour.qxs");
    ASSERT_FALSE(result.error) << result.error->text();
    ASSERT_EQ(result.steps.size(), 3u);

    const Step& rotation = result.steps[0];
    EXPECT_EQ(rotation.line, 3);
    EXPECT_EQ(rotation.where(), "tour.qxs:3");
    EXPECT_EQ(rotation.numbers, std::vector<double>{14});
    EXPECT_EQ(rotation.option("zoomall"), nullptr);

    EXPECT_EQ(rotation.text, "rotation 14") << "the comment and the line end are not the step's";
    EXPECT_EQ(rotation.comments, std::vector<std::string>{"# a tour"});

    EXPECT_EQ(result.steps[1].words, (std::vector<std::string>{"Cap \"A\"", "B"}));
    EXPECT_EQ(result.steps[1].text, "devices \"Cap \\\"A\\\"\" B");

    const Step& window = result.steps[2];
    EXPECT_EQ(window.numbers, (std::vector<double>{7, -5, 0, 100, 200}));
    EXPECT_EQ(window.words, std::vector<std::string>{"Tree"});
    ASSERT_NE(window.option("scroll"), nullptr);
    EXPECT_EQ(window.option("scroll")->numbers, (std::vector<double>{0, 99, 10, 5}));
    EXPECT_EQ(window.option("parent")->numbers, std::vector<double>{3});
    EXPECT_EQ(window.option("hidden"), nullptr);
}

TEST(ScenarioNumbers, ReadsCSyntax) {
    const std::pair<const char*, double> good[] = {
        {"0x20009", 0x20009}, {"-5", -5},  {"1e3", 1000},      {"+7", 7},     {"010", 8},
        {"0X1f", 31},         {".5", 0.5}, {"-2.5e-1", -0.25}, {"0x1p4", 16}, {"-0x10", -16},
    };
    for (const auto& [text, value] : good) {
        std::optional<double> parsed = parseNumber(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, value) << text;
    }
    for (const char* text : {"", "abc", "inf", "-nan", "1e", "0x", "09", "1.5.2", "5m", "--5"}) {
        EXPECT_FALSE(parseNumber(text)) << text;
    }
}

TEST(ScenarioNumbers, WholeNumberSlotsTakeIntegralValuesInRange) {
    EXPECT_EQ(parseOne("wait 1e3").integer(0), 1000);
    EXPECT_EQ(parseOne("key 0x20009").integer(0), 0x20009);
    // Keys by name, the application keys counted from 1.
    EXPECT_EQ(parseOne("key top").integer(0), 0x2000B);
    EXPECT_EQ(parseOne("key menu2").integer(0), 0x20021);
    EXPECT_EQ(keyName(0x2000C), "zoomall");
    EXPECT_EQ(keyName(0x20020), "menu1");
    EXPECT_EQ(keyName(0x20013), "");
    EXPECT_EQ(parseOne("cap -0x8000 0 0 0 0 0").integer(0), -32768);

    EXPECT_EQ(errorOf("wait 2.5"), "bad.qxs:1: MS must be a whole number, found '2.5'");
    EXPECT_EQ(errorOf("cap 0 0 32768 0 0 0"),
              "bad.qxs:1: TZ must lie within -32768..32767, found '32768'");
    EXPECT_EQ(errorOf("wait -1"), "bad.qxs:1: MS must lie within 0..86400000, found '-1'");
    // More than a day of virtual time would play for ever.
    EXPECT_EQ(errorOf("wait 9007199254740991"),
              "bad.qxs:1: MS must lie within 0..86400000, found '9007199254740991'");
}

TEST(ScenarioErrors, NameFileLineAndWhatWasExpected) {
    const std::pair<const char*, const char*> cases[] = {
        {"release\nfly 1 2",
         "bad.qxs:2: unknown step 'fly', expected one of: daemon, devices, rotation, modes, cap, "
         "release, key, wait, command, space, nodocument, document, unload, load, setting, "
         "drawing, line, "
         "circle, layer, view, camera, paperview, select, pointer, window"},
        {"cap 1 2 3 4 5",
         "bad.qxs:1: 'cap' takes 6 values, found 5 (expected: cap TX TY TZ RX RY RZ)"},
        {"devices",
         "bad.qxs:1: 'devices' takes at least 1 value, found 0 (expected: devices NAME...)"},
        {"\n\ncircle 0 0 zero 5",
         "bad.qxs:3: bad number 'zero' for CZ (expected: circle CX CY CZ R [layer L])"},
        {"daemon sideways",
         "bad.qxs:1: unknown keyword 'sideways', expected up|down (expected: daemon up|down)"},
        {"circle 0 0 0 1 layer A layer B",
         "bad.qxs:1: 'layer' given twice (expected: circle CX CY CZ R [layer L])"},
        {"window 1 List 0 0 9 9 scroll 0 9",
         "bad.qxs:1: 'scroll' takes 4 values, found 2 (expected: window ID CLASS L T R B [parent "
         "ID] [hidden] [scroll MIN MAX PAGE POS])"},
        {"devices \"Cap", "bad.qxs:1: unterminated quote: expected a closing '\"'"},
        {"key menu0",
         "bad.qxs:1: unknown key 'menu0', expected a code or one of front, right, top, zoomall, "
         "back, left, bottom, menu1, menu2, ... (expected: key KEY)"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(errorOf(text), expected);
    }
    // What is echoed of a bad line cannot drive the terminal, nor flood it.
    for (const auto& [text, expected] :
         {std::pair{"\x1b]2;x\x07\x9b", "bad.qxs:1: unknown step '\\x1b]2;x\\x07\\x9b', "},
          {"circle 0 0 \x1b[2J 1", "bad.qxs:1: bad number '\\x1b[2J' for CZ"},
          {"Relase", "bad.qxs:1: unknown step 'Relase' (did you mean 'release'?), expected"},
          {"Release", "bad.qxs:1: unknown step 'Release' (did you mean 'release'?), expected"},
          {"paperveiw 0 0 1 1 1",
           "bad.qxs:1: unknown step 'paperveiw' (did you mean 'paperview'?)"},
          {"0123456789012345678901234567890123456789abc",
           "bad.qxs:1: unknown step '0123456789012345678901234567890123456789...', "}}) {
        EXPECT_EQ(errorOf(text).rfind(expected, 0), 0u) << errorOf(text);
    }
}

// The reference `qxsim --steps` prints is in docs/scenarios.md, and each of
// its examples is a line of the form it stands under.
TEST(StepReference, ShowsEveryFormWithAnExampleAndIsInTheDocs) {
    for (const StepDescription& desc : stepDescriptions()) {
        const std::string example(stepExample(usageOf(desc)));
        ASSERT_FALSE(example.empty()) << usageOf(desc) << " has no example";
        const Step step = parseOne(example);
        EXPECT_EQ(step.kind, desc.kind) << example;
    }
    std::ifstream in(QX_SOURCE_DIR "/docs/scenarios.md");
    const std::string docs((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(docs.find("```text\n" + stepReference() + "```\n"), std::string::npos)
        << "docs/scenarios.md does not hold the output of qxsim --steps";
}

// The keys `setting` takes are those of the module's default file, in its
// order and with its values, and each default passes the check.
TEST(StepReference, SettingsKeysAreTheDefaultFilesWithItsValues) {
    std::ifstream in(QX_SOURCE_DIR "/examples/autocad_addin.ini");
    std::vector<std::string> file, table;
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) {
            section = line.substr(1, line.find(']') - 1);
        } else if (line.starts_with("\t")) {
            const std::size_t eq = line.find("= ");
            const std::string value = line.substr(eq + 2, line.find('#') - eq - 2);
            file.push_back(section + " " + line.substr(1, line.find(' ') - 1) + " = " +
                           value.substr(0, value.find_last_not_of(' ') + 1));
        }
    }
    for (const SettingKey& key : settingKeys()) {
        table.push_back(std::string(key.section) + " " + std::string(key.key) + " = " +
                        std::string(key.defaultValue));
        EXPECT_EQ(settingValueProblem(key, std::string(key.defaultValue)), "") << key.key;
    }
    EXPECT_EQ(table, file);
}

TEST(ScenarioInput, LinesSplitAcrossPiecesInLinearTime) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    const auto feed = [&](std::string_view piece) {
        splitter.append(piece);
        for (std::string line; splitter.next(line);) {
            lines.push_back(line);
        }
    };
    // A line of 64 MiB in pieces of 4 KiB: searching it all again for each
    // piece would look at 5e11 bytes.
    for (int i = 0; i < 16 * 1024; ++i) {
        feed(std::string(4096, 'x'));
    }
    feed("\nwait 1");
    feed("0\n\nrel");
    splitter.close();
    feed("");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 64u << 20);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"wait 10", "", "rel"}));
}

TEST(ScenarioErrors, StopAtTheFirstBadLineKeepingTheStepsBefore) {
    ParseResult result = parseScenario("daemon up\nwait 10\ncap 1\nwait x\n", "s.qxs");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->line, 3);
    EXPECT_EQ(result.steps.size(), 2u);
}

}  // namespace
}  // namespace qxsim
