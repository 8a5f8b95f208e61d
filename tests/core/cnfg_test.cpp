// The configuration reader: line syntax, section lists, lookups, error texts
// and files that are not what a user would write.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cnfg.h"
#include "test_host.h"

namespace {

class CnfgTest : public TestHost {
protected:
    Cnfg& open(const std::string& contents) {
        mPath = (mProfile / "test.ini").string();
        writeFile(mPath, contents);
        int32_t status = -1;
        mCnfg = std::make_unique<Cnfg>(mPath, status);
        EXPECT_EQ(status, 0);
        return *mCnfg;
    }
    // "section|key|value" of one line.
    std::string parse(const std::string& line) {
        std::string section = "x", key = "x", value = "x";
        open("").parseLine(line, section, key, value);
        return section + "|" + key + "|" + value;
    }
    // "key=value" of every parameter the walk of a section yields.
    std::vector<std::string> walk(Cnfg& cnfg, const std::string& section) {
        std::vector<std::string> found;
        EXPECT_EQ(cnfg.findSection(section), 0);
        std::string key, value;
        while (cnfg.getNextParameter(key, value, true) == 0) {
            found.push_back(key + "=" + value);
        }
        return found;
    }

    std::string mPath;
    std::unique_ptr<Cnfg> mCnfg;
};

TEST_F(CnfgTest, ParseLine) {
    EXPECT_EQ(parse("[PROGRAM] # comment"), "PROGRAM||");
    EXPECT_EQ(parse(" \t[PROGRAM]"), "PROGRAM||");
    EXPECT_EQ(parse("[ PROGRAM ]"), " PROGRAM ||");
    EXPECT_EQ(parse("[PROGRAM"), "||");
    EXPECT_EQ(parse("  # k=v"), "||");
    // The settings file's own layout: key, then the raw value up to "#".
    EXPECT_EQ(parse("\tname" + std::string(18, ' ') + "= AutoCAD Plug-in   # program's name"),
              "|name| AutoCAD Plug-in   ");
    EXPECT_EQ(parse("key==\t=a=b#c"), "|key|a=b");
    EXPECT_EQ(parse("key\tv\r"), "|key|v");
    EXPECT_EQ(parse("lonely key"), "|lonely key|");
    EXPECT_EQ(parse("=value"), "||value");

    std::string value = std::string(" \t AutoCAD Plug-in \t\0", 21);
    Cnfg::trim(value);
    EXPECT_EQ(value, "AutoCAD Plug-in");
    value = std::string(" \0", 2);
    Cnfg::trim(value);
    EXPECT_EQ(value, "");
}

TEST_F(CnfgTest, ParameterListEndsAtBlankLineIndentedCommentHeaderOrEmptyKey) {
    // Read as Windows reads text: an empty CR LF line is blank, a line that
    // starts with a CR of its own is skipped.
    Cnfg& cnfg = open(
        "[A]\na1 = 1\n# first-column comment\n\r\r\na2=2\n\r\na3=3\n"
        "[B]\nb1=1\n  # indented\nb2=2\n"
        "[C]\nc1=1\n[D]\nd1=1\n=x\nd2=2\n");
    EXPECT_EQ(walk(cnfg, "A"), (std::vector<std::string>{"a1=1", "a2=2"}));
    EXPECT_EQ(walk(cnfg, "B"), (std::vector<std::string>{"b1=1"}));
    EXPECT_EQ(walk(cnfg, "C"), (std::vector<std::string>{"c1=1"}));
    EXPECT_EQ(walk(cnfg, "D"), (std::vector<std::string>{"d1=1"}));
    EXPECT_EQ(cnfg.getErrorText(), "No further parameter in section 'D'!");
    // A Ctrl-Z ends the file, as Windows text mode reads one made on DOS.
    Cnfg& dos = open("[E]\ne1=1\x1A\ne2=2\n[F]\nf1=1\n");
    EXPECT_EQ(walk(dos, "E"), (std::vector<std::string>{"e1=1"}));
    EXPECT_EQ(dos.findSection("F"), 2);
}

TEST_F(CnfgTest, LookupsAndTheirErrorTexts) {
    Cnfg& cnfg = open("[S]\nk=first\nk=second\n\nlate=1\n[S]\nj=2\n[T]\nlast = x");
    std::string value;
    EXPECT_EQ(cnfg.getParameter("k", value, "S", true), 0);
    EXPECT_EQ(value, "first");
    EXPECT_EQ(cnfg.getParameter("late", value, "S", true), 3);
    EXPECT_EQ(cnfg.getErrorText(), "Parameter 'late' in section 'S' not found! (" + mPath + ")");
    EXPECT_EQ(cnfg.getParameter("j", value, "S", true), 3);     // first header wins
    EXPECT_EQ(cnfg.getParameter("last", value, "T", true), 0);  // no final newline
    EXPECT_EQ(value, "x");
    value = "kept";
    EXPECT_EQ(cnfg.getParameter("k", value, "s", true), 2);
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(cnfg.getErrorText(), "Section 's' not found!");
    // Opening another file replaces the one that is open.
    const std::string other = (mProfile / "other.ini").string();
    writeFile(other, "[S]\nk=other\n");
    EXPECT_EQ(cnfg.open(other), 0);
    EXPECT_EQ(cnfg.getParameter("k", value, "S", true), 0);
    EXPECT_EQ(value, "other");

    int32_t status = 0;
    Cnfg missing((mProfile / "missing.ini").string(), status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(missing.getErrorText(),
              "File '" + (mProfile / "missing.ini").string() + "' not found!");

    // A file of 8 MiB is read; one byte more counts as missing.
    for (std::uintmax_t bytes : {std::uintmax_t{8} << 20, (std::uintmax_t{8} << 20) + 1}) {
        std::filesystem::resize_file(mPath, bytes);
        Cnfg big(mPath, status);
        EXPECT_EQ(status, bytes > (8u << 20) ? 1 : 0) << bytes;
    }
}

}  // namespace
