// The command stack of the host core: what it refuses, how commands are
// found to run, and a command that changes the stack while it runs. The
// registry lookups and the counted application calls are covered by the
// application entry's tests.
#include "arx_fixture.h"

namespace {

int gRuns = 0;
void countRun() {
    ++gRuns;
}
void otherCommand() {}

TEST_F(ArxTest, CommandsAreFoundByGroupAndEitherNameInAnyCase) {
    gRuns = 0;
    auto* s = acedRegCmds;
    EXPECT_EQ(s->addCommand(L"QXGroup", L"QX_One", L"QX_One_Local", 0, countRun), Acad::eOk);
    // Same name again in the group is refused; in another group it is fine.
    EXPECT_EQ(s->addCommand(L"QXGroup", L"qx_one", L"x", 0, otherCommand), Acad::eDuplicateKey);
    EXPECT_EQ(s->addCommand(L"Other", L"QX_One", L"QX_One", 0, otherCommand), Acad::eOk);
    EXPECT_EQ(s->addCommand(L"QXGroup", L"QX_Null", L"QX_Null", 0, nullptr), Acad::eInvalidInput);
    EXPECT_EQ(arxsim::commands().size(), 2u);

    EXPECT_TRUE(arxsim::runCommand(std::string_view("qx_one")));
    EXPECT_TRUE(arxsim::runCommand(std::wstring_view(L"QX_ONE_LOCAL")));
    EXPECT_EQ(gRuns, 2);
    EXPECT_FALSE(arxsim::runCommand(std::string_view("QX_Three")));

    EXPECT_EQ(s->removeCmd(L"QXGroup", L"QX_One"), Acad::eOk);
    EXPECT_EQ(s->removeCmd(L"QXGroup", L"QX_One"), Acad::eKeyNotFound);
    EXPECT_FALSE(arxsim::runCommand(std::string_view("QX_One_Local")));
    EXPECT_EQ(events().back(), R"({"ev":"command_removed","group":"QXGroup","name":"QX_One"})");
}

// A command that removes itself while it runs, as an unload from a command
// would: the host must not hold its state locked around the call.
void removeSelf() {
    acedRegCmds->removeCmd(L"G", L"Self");
}

TEST_F(ArxTest, ACommandMayCallTheHostWhileItRuns) {
    ASSERT_EQ(acedRegCmds->addCommand(L"G", L"Self", L"Self", 0, removeSelf), Acad::eOk);
    EXPECT_TRUE(arxsim::runCommand(std::string_view("Self")));
    EXPECT_TRUE(arxsim::commands().empty());
}

}  // namespace
