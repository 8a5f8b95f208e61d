// The configuration reader: line syntax, section lists, lookups, error texts
// and files that are not what a user would write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cnfg.h"
#include "temp_dir.h"

namespace {

struct Parsed {
    std::string section, key, value;
};

class CnfgTest : public ::testing::Test {
protected:
    // Writes contents to a file and opens a reader on it.
    Cnfg& open(const std::string& contents) {
        mPath = mDir.file("test.ini");
        writeFile(mPath, contents);
        int32_t status = -1;
        mCnfg = std::make_unique<Cnfg>(mPath, status);
        EXPECT_EQ(status, 0);
        return *mCnfg;
    }

    Parsed parse(const std::string& line) {
        int32_t status = 0;
        Cnfg cnfg(mDir.file("none"), status);
        Parsed p{"x", "x", "x"};
        cnfg.parseLine(line, p.section, p.key, p.value);
        return p;
    }

    // Keys of every parameter getNextParameter yields after findSection.
    std::vector<std::string> keysOf(Cnfg& cnfg, const std::string& section) {
        std::vector<std::string> keys;
        EXPECT_EQ(cnfg.findSection(section), 0);
        std::string key, value;
        while (cnfg.getNextParameter(key, value, true) == 0) {
            keys.push_back(key + "=" + value);
        }
        EXPECT_EQ(cnfg.error(), Cnfg::kNoFurtherParameter);
        return keys;
    }

    TempDir mDir;
    std::string mPath;
    std::unique_ptr<Cnfg> mCnfg;
};

TEST_F(CnfgTest, SectionHeaderNamesTextBetweenBrackets) {
    EXPECT_EQ(parse("[PROGRAM] # the program").section, "PROGRAM");
    EXPECT_EQ(parse(" \t [PROGRAM]").section, "PROGRAM");
    EXPECT_EQ(parse("[ PROGRAM ]").section, " PROGRAM ");
    EXPECT_EQ(parse("[a]b]").section, "a");
    const Parsed unclosed = parse("[PROGRAM");
    EXPECT_EQ(unclosed.section, "");
    EXPECT_EQ(unclosed.key, "");

    Cnfg& cnfg = open("[ PROGRAM ]\nname = x\n");
    std::string value = "kept";
    EXPECT_EQ(cnfg.getParameter("name", value, "PROGRAM", true), 2);
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(cnfg.getErrorText(), "Section 'PROGRAM' not found!");
}

TEST_F(CnfgTest, SettingsFileLineGivesKeyAndTrimmedValue) {
    const std::string line = "\tname" + std::string(18, ' ') + "= AutoCAD Plug-in" +
                             std::string(35, ' ') + "# program's name";
    Parsed p = parse(line);
    EXPECT_EQ(p.section, "");
    EXPECT_EQ(p.key, "name");
    EXPECT_EQ(p.value, " AutoCAD Plug-in" + std::string(35, ' '));
    Cnfg::trim(p.value);
    EXPECT_EQ(p.value, "AutoCAD Plug-in");
}

TEST_F(CnfgTest, OnlyTheFirstRunOfSeparatorsIsSkipped) {
    Parsed p = parse("key==\t=a=b");
    EXPECT_EQ(p.key, "key");
    EXPECT_EQ(p.value, "a=b");

    // Spaces are no separators: the key loses its trailing space, the value
    // keeps its leading one.
    p = parse("key = v");
    EXPECT_EQ(p.key, "key");
    EXPECT_EQ(p.value, " v");

    p = parse("key\tv");
    EXPECT_EQ(p.key, "key");
    EXPECT_EQ(p.value, "v");

    p = parse("lonely key");
    EXPECT_EQ(p.key, "lonely key");
    EXPECT_EQ(p.value, "");

    p = parse("=value");
    EXPECT_EQ(p.key, "");
}

TEST_F(CnfgTest, ValueEndsAtHashOrLineEnd) {
    EXPECT_EQ(parse("k=a#b # c").value, "a");
    EXPECT_EQ(parse("k=abc\r").value, "abc");
    EXPECT_EQ(parse("k=a\rb=c").value, "a");
    EXPECT_EQ(parse("   # k=v").key, "");
}

TEST_F(CnfgTest, TrimRemovesBlanksAndOneFinalNul) {
    const auto trimmed = [](std::string text) {
        Cnfg::trim(text);
        return text;
    };
    EXPECT_EQ(trimmed(" \t a b \t"), "a b");
    EXPECT_EQ(trimmed(std::string("ab \0", 4)), "ab");
    EXPECT_EQ(trimmed(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(trimmed(" \t "), "");
    EXPECT_EQ(trimmed(std::string(" \0", 2)), "");
    EXPECT_EQ(trimmed(""), "");
}

TEST_F(CnfgTest, ParameterListEndsAtBlankLineIndentedCommentOrHeader) {
    Cnfg& cnfg = open(
        "[A]\n"
        "a1=1\n"
        "# first-column comment\n"
        "\r\n"
        "a2=2\n"
        "\n"
        "a3=3\n"
        "[B]\n"
        "b1=1\n"
        "  # indented comment\n"
        "b2=2\n"
        "[C]\n"
        "c1=1\n"
        "[D]\n"
        "d1=1\n"
        "=no key\n"
        "d2=2\n"
        "[E]\n"
        "e1=1\n"
        "   \t\n"
        "e2=2\n");
    EXPECT_EQ(keysOf(cnfg, "A"), (std::vector<std::string>{"a1=1", "a2=2"}));
    EXPECT_EQ(keysOf(cnfg, "B"), (std::vector<std::string>{"b1=1"}));
    EXPECT_EQ(keysOf(cnfg, "C"), (std::vector<std::string>{"c1=1"}));
    EXPECT_EQ(keysOf(cnfg, "D"), (std::vector<std::string>{"d1=1"}));
    EXPECT_EQ(keysOf(cnfg, "E"), (std::vector<std::string>{"e1=1"}));
    EXPECT_EQ(cnfg.getErrorText(), "No further parameter in section 'E'!");
}

TEST_F(CnfgTest, KeyAfterBlankLineIsNotFound) {
    Cnfg& cnfg = open("[PROGRAM]\nname=a\n\nversion=1\n");
    std::string value;
    EXPECT_EQ(cnfg.getParameter("name", value, "PROGRAM", true), 0);
    EXPECT_EQ(value, "a");
    EXPECT_EQ(cnfg.getParameter("version", value, "PROGRAM", true), 3);
    EXPECT_EQ(cnfg.error(), 3);
    EXPECT_EQ(cnfg.getErrorText(),
              "Parameter 'version' in section 'PROGRAM' not found! (" + mPath + ")");
}

TEST_F(CnfgTest, FirstOccurrenceWinsAndNamesAreCaseSensitive) {
    Cnfg& cnfg = open("[S]\nk=first\nk=second\nK=upper\n[S]\nj=other\n");
    std::string value;
    EXPECT_EQ(cnfg.getParameter("k", value, "S", true), 0);
    EXPECT_EQ(value, "first");
    EXPECT_EQ(cnfg.getParameter("K", value, "S", true), 0);
    EXPECT_EQ(value, "upper");
    EXPECT_EQ(cnfg.getParameter("j", value, "S", true), 3);
    EXPECT_EQ(cnfg.getParameter("k", value, "s", true), 2);
}

TEST_F(CnfgTest, EmptySectionSearchesOnFromCurrentPosition) {
    Cnfg& cnfg = open("[A]\nx=1\ny=2\nz=3\n");
    std::string value;
    ASSERT_EQ(cnfg.getParameter("y", value, "A", true), 0);
    EXPECT_EQ(cnfg.getParameter("z", value, "", true), 0);
    EXPECT_EQ(value, "3");
    // x lies behind the position now.
    EXPECT_EQ(cnfg.getParameter("x", value, "", true), 3);
    EXPECT_EQ(cnfg.getErrorText(), "Parameter 'x' in section 'A' not found! (" + mPath + ")");
}

TEST_F(CnfgTest, LastLineWithoutNewlineIsUsed) {
    Cnfg& cnfg = open("[A]\nx=1\ny = last");
    std::string value;
    EXPECT_EQ(cnfg.getParameter("y", value, "A", true), 0);
    EXPECT_EQ(value, "last");

    // Once the stream has run out, key and value stay as they were.
    std::string key = "k", kept = "v";
    EXPECT_EQ(cnfg.getNextParameter(key, kept, true), 4);
    EXPECT_EQ(key, "k");
    EXPECT_EQ(kept, "v");

    Cnfg& header = open("x=1\n[A]");
    EXPECT_EQ(header.findSection("A"), 0);
    EXPECT_EQ(header.getNextParameter(key, kept, true), 4);
}

TEST_F(CnfgTest, MissingFileGivesCodeOneWithItsText) {
    const std::string path = mDir.file("missing.ini");
    int32_t status = 0;
    Cnfg cnfg(path, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(cnfg.getErrorText(), "File '" + path + "' not found!");
    std::string value = "kept";
    EXPECT_EQ(cnfg.getParameter("k", value, "S", true), 2);
    EXPECT_EQ(value, "kept");
}

TEST_F(CnfgTest, ReopenResetsTheError) {
    Cnfg& cnfg = open("[A]\nx=1\n");
    EXPECT_EQ(cnfg.findSection("B"), 2);
    EXPECT_EQ(cnfg.open(mPath), 0);
    EXPECT_EQ(cnfg.getErrorText(), "OK");
    std::string value;
    EXPECT_EQ(cnfg.getParameter("x", value, "A", true), 0);
}

// Hostile files: every operation terminates and finds only what is there.
TEST_F(CnfgTest, SurvivesNulBytesAndCarriageReturnOnlyLines) {
    const char raw[] = "[A]\nx=1\0\ny=\0\0\n\0z=3\n";
    Cnfg& nul = open(std::string(raw, sizeof raw - 1));
    std::string value;
    EXPECT_EQ(nul.getParameter("x", value, "A", true), 0);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(nul.getParameter("y", value, "A", true), 0);
    EXPECT_EQ(value, std::string("\0", 1));

    // Old Mac line ends: the whole file is one line, a section header.
    Cnfg& cr = open("[A]\rx=1\ry=2\r");
    EXPECT_EQ(cr.findSection("A"), 0);
    EXPECT_EQ(cr.getParameter("x", value, "A", true), 3);
}

TEST_F(CnfgTest, SurvivesHugeLinesAndBinaryGarbage) {
    Cnfg& huge = open("[A]\nx=" + std::string(1 << 20, 'v') + "\ny=2\n");
    std::string value;
    EXPECT_EQ(huge.getParameter("x", value, "A", true), 0);
    EXPECT_EQ(value.size(), size_t{1} << 20);
    EXPECT_EQ(huge.getParameter("y", value, "A", true), 0);

    std::string garbage;
    for (int i = 0; i < 70000; ++i) {
        garbage.push_back(static_cast<char>((i * 7919 + i / 13) & 0xff));
    }
    Cnfg& bin = open(garbage + "\n[A]\nx=1\n");
    EXPECT_EQ(bin.getParameter("x", value, "A", true), 0);
    EXPECT_EQ(value, "1");
    std::string key;
    EXPECT_EQ(bin.getNextParameter(key, value, true), 4);
}

TEST_F(CnfgTest, EmptyFileHasNoSections) {
    Cnfg& cnfg = open("");
    std::string key = "k", value = "v";
    EXPECT_EQ(cnfg.getNextParameter(key, value, true), 4);
    EXPECT_EQ(cnfg.findSection("A"), 2);
    EXPECT_EQ(cnfg.getParameter("x", value, "", true), 3);
}

TEST_F(CnfgTest, FolderCannotBeOpened) {
    int32_t status = 0;
    Cnfg cnfg(mDir.path().string(), status);
    EXPECT_EQ(status, 1);
    std::string key, value;
    EXPECT_EQ(cnfg.findSection("A"), 2);
    EXPECT_EQ(cnfg.getNextParameter(key, value, true), 4);
    EXPECT_EQ(cnfg.getParameter("x", value, "", true), 3);
}

}  // namespace
