// Runtime classes, the system registry, the command stack and the counted
// application calls of the host core.
#include "arx_fixture.h"

namespace {

int gRuns = 0;
void countRun() {
    ++gRuns;
}
void otherCommand() {}

TEST_F(ArxTest, RegistryHoldsTheCommandStackAndTheDynamicLinker) {
    AcRxObject* stack = acrxSysRegistry()->at(ACRX_COMMAND_DOCK);
    AcRxObject* linker = acrxSysRegistry()->at(L"DynamicLinker");
    ASSERT_NE(stack, nullptr);
    ASSERT_NE(linker, nullptr);
    EXPECT_TRUE(stack->isKindOf(AcEdCommandStack::desc()));
    EXPECT_TRUE(stack->isKindOf(AcRxObject::desc()));
    EXPECT_FALSE(stack->isKindOf(AcRxDynamicLinker::desc()));
    EXPECT_EQ(AcRxDynamicLinker::cast(stack), nullptr);
    EXPECT_EQ(AcEdCommandStack::cast(stack), acedRegCmds);
    EXPECT_EQ(AcRxDynamicLinker::cast(linker), acrxDynamicLinker);
    EXPECT_EQ(acrxSysRegistry()->at(L"NoSuchService"), nullptr);
    EXPECT_EQ(acrxSysRegistry()->at(nullptr), nullptr);
    EXPECT_STREQ(AcEdCommandStack::desc()->name(), L"AcEdCommandStack");
    EXPECT_EQ(AcEdCommandStack::desc()->myParent(), AcRxObject::desc());
}

TEST_F(ArxTest, CommandsAreAddedRunAndRemovedByGroupAndName) {
    gRuns = 0;
    auto* s = acedRegCmds;
    EXPECT_EQ(s->addCommand(L"QXGroup", L"QX_One", L"QX_One_Local", 0, countRun, nullptr, -1,
                            nullptr, nullptr),
              Acad::eOk);
    EXPECT_EQ(s->addCommand(L"QXGroup", L"QX_Two", L"QX_Two", 0x00200000, otherCommand), Acad::eOk);
    // Same name again in the group is refused; in another group it is fine.
    EXPECT_EQ(s->addCommand(L"QXGroup", L"qx_one", L"x", 0, otherCommand), Acad::eDuplicateKey);
    EXPECT_EQ(s->addCommand(L"Other", L"QX_One", L"QX_One", 0, otherCommand), Acad::eOk);
    EXPECT_EQ(s->addCommand(L"QXGroup", L"QX_Null", L"QX_Null", 0, nullptr), Acad::eInvalidInput);

    const auto cmds = arxsim::commands();
    ASSERT_EQ(cmds.size(), 3u);
    EXPECT_EQ(cmds[0].group, L"QXGroup");
    EXPECT_EQ(cmds[0].globalName, L"QX_One");
    EXPECT_EQ(cmds[0].localName, L"QX_One_Local");
    EXPECT_EQ(cmds[0].function, &countRun);
    EXPECT_EQ(cmds[1].flags, 0x00200000);

    EXPECT_TRUE(arxsim::runCommand(std::string_view("qx_one")));
    EXPECT_TRUE(arxsim::runCommand(std::wstring_view(L"QX_ONE_LOCAL")));
    EXPECT_EQ(gRuns, 2);
    EXPECT_FALSE(arxsim::runCommand(std::string_view("QX_Three")));

    EXPECT_EQ(s->removeCmd(L"QXGroup", L"QX_One"), Acad::eOk);
    EXPECT_EQ(s->removeCmd(L"QXGroup", L"QX_One"), Acad::eKeyNotFound);
    EXPECT_EQ(arxsim::commands().size(), 2u);
    EXPECT_FALSE(arxsim::runCommand(std::string_view("QX_One_Local")));

    const std::vector<std::string> expected = {
        R"({"ev":"command_added","group":"QXGroup","name":"QX_One"})",
        R"({"ev":"command_added","group":"QXGroup","name":"QX_Two"})",
        R"({"ev":"command_added","group":"Other","name":"QX_One"})",
        R"({"ev":"command_removed","group":"QXGroup","name":"QX_One"})",
    };
    EXPECT_EQ(events(), expected);
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

TEST_F(ArxTest, ApplicationCallsAreCounted) {
    using arxsim::Call;
    int dummy = 0;
    acrxDynamicLinker->unlockApplication(&dummy);
    acrxDynamicLinker->registerAppMDIAware(&dummy);
    acrxDynamicLinker->registerAppMDIAware(&dummy);
    acrxBuildClassHierarchy();
    deleteAcRxClass(AcRxObject::desc());
    EXPECT_EQ(acedDefun(L"f", 0), RTNORM);
    EXPECT_EQ(acedRegFunc(nullptr, 0), RTNORM);
    EXPECT_EQ(acedUndef(L"f", 0), RTNORM);
    EXPECT_EQ(acedGetFunCode(), RTERROR);
    arxsim::setFunCode(4);
    EXPECT_EQ(acedGetFunCode(), 4);

    EXPECT_EQ(arxsim::callCount(Call::UnlockApplication), 1);
    EXPECT_EQ(arxsim::callCount(Call::RegisterAppMDIAware), 2);
    EXPECT_EQ(arxsim::callCount(Call::BuildClassHierarchy), 1);
    EXPECT_EQ(arxsim::callCount(Call::DeleteAcRxClass), 1);
    EXPECT_EQ(arxsim::callCount(Call::Defun), 1);
    EXPECT_EQ(arxsim::callCount(Call::RegFunc), 1);
    EXPECT_EQ(arxsim::callCount(Call::Undef), 1);
    EXPECT_EQ(arxsim::callCount(Call::GetFunCode), 2);
    // The descriptor survives its deletion from the tree.
    EXPECT_STREQ(AcRxObject::desc()->name(), L"AcRxObject");

    arxsim::reset();
    EXPECT_EQ(arxsim::callCount(Call::RegisterAppMDIAware), 0);
    EXPECT_EQ(acedGetFunCode(), RTERROR);
}

TEST_F(ArxTest, EveryHostCallCostsVirtualTime) {
    const std::uint64_t before = win32sim::nowUs();
    const int callsBefore = arxsim::hostCallCount();
    resbuf rb{};
    acedGetVar(L"tilemode", &rb);
    acDocManagerPtr()->curDocument();
    EXPECT_EQ(arxsim::hostCallCount() - callsBefore, 3);
    const std::uint64_t spent = win32sim::nowUs() - before;
    EXPECT_GT(spent, 0u);
    EXPECT_LT(spent, 1000u);
}

}  // namespace
