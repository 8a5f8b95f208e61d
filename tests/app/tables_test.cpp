// Walks over the static tables: empty slots are skipped, names come from the
// string resources when an entry has none, Lisp functions are numbered over
// the non-empty slots, and custom classes are registered and removed.
#include "app_host.h"
#include "arxHeaders.h"
#include "arx_control.h"
#include "win32_control.h"

using arxsim::Call;

namespace {

int gRuns[2] = {0, 0};
void command0() {}
void lisp0() {
    ++gRuns[0];
}
void lisp1() {
    ++gRuns[1];
}

AcRxClass* baseClass() {
    static AcRxClass* const cls = AcRxClass::makeClass(L"QxTestBase", AcRxObject::desc());
    return cls;
}
AcRxClass* derivedClass() {
    static AcRxClass* const cls = AcRxClass::makeClass(L"QxTestDerived", baseClass());
    return cls;
}
int gClassInits = 0;
void initClass() {
    ++gClassInits;
}

}  // namespace

class Tables : public AppHost {};

TEST_F(Tables, CommandsSkipEmptySlotsAndLoadMissingLocalNames) {
    win32sim::setString(7, L"LocalName");
    const CommandEntry fromResource = {L"G", L"GlobalA", nullptr, 0, command0, nullptr, 7};
    const CommandEntry session = {L"G",     L"GlobalB", L"LocalB",    ACRX_CMD_SESSION,
                                  command0, nullptr,    kNoResourceId};
    const CommandEntry* const table[] = {nullptr, &fromResource, nullptr, &session, nullptr};
    const auto instance = reinterpret_cast<HINSTANCE>(&gRuns);

    registerCommands(table, instance);
    const auto commands = arxsim::commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].localName, L"LocalName");
    EXPECT_EQ(commands[0].resource, instance);
    EXPECT_EQ(commands[1].localName, L"LocalB");
    EXPECT_EQ(commands[1].resource, nullptr);  // session commands carry no resources

    removeCommands(table);
    EXPECT_TRUE(arxsim::commands().empty());
}

TEST_F(Tables, LispFunctionsAreNumberedOverNonEmptySlots) {
    gRuns[0] = gRuns[1] = 0;
    const LispFunctionEntry first = {L"first", lisp0, false, kNoResourceId};
    const LispFunctionEntry second = {L"second", lisp1, true, kNoResourceId};
    const LispFunctionEntry* const table[] = {nullptr, &first, nullptr, nullptr, &second};

    defineLispFunctions(table, nullptr);
    EXPECT_EQ(arxsim::callCount(Call::Defun), 2);
    EXPECT_EQ(arxsim::callCount(Call::RegFunc), 1);

    arxsim::setFunCode(1);
    invokeLispFunction(table);
    EXPECT_EQ(gRuns[0], 0);
    EXPECT_EQ(gRuns[1], 1);

    arxsim::setFunCode(2);  // no such function: nothing runs
    invokeLispFunction(table);
    EXPECT_EQ(gRuns[0] + gRuns[1], 1);

    undefineLispFunctions(table, nullptr);
    EXPECT_EQ(arxsim::callCount(Call::Undef), 2);
}

TEST_F(Tables, CustomClassesAreRegisteredOnceAndRemovedWithTheirDerivedClasses) {
    gClassInits = 0;
    CustomClassEntry base = {baseClass, initClass, false};
    CustomClassEntry derived = {derivedClass, initClass, false};
    // The hierarchy is built for one class or more, never for none.
    CustomClassEntry* const none[] = {nullptr};
    CustomClassEntry* const one[] = {nullptr, &base};
    EXPECT_EQ(initCustomClasses(none), 0);
    EXPECT_EQ(arxsim::callCount(Call::BuildClassHierarchy), 0);
    EXPECT_EQ(initCustomClasses(one), 1);
    EXPECT_EQ(arxsim::callCount(Call::BuildClassHierarchy), 1);
    unregisterCustomClasses(one);

    gClassInits = 0;
    arxsim::reset();
    CustomClassEntry* const table[] = {&base, nullptr, &derived};
    EXPECT_EQ(initCustomClasses(table), 2);
    EXPECT_EQ(gClassInits, 2);
    EXPECT_EQ(arxsim::callCount(Call::BuildClassHierarchy), 1);
    EXPECT_TRUE(base.isRegistered);
    EXPECT_TRUE(derived.isRegistered);

    unregisterCustomClasses(table);
    EXPECT_EQ(arxsim::callCount(Call::DeleteAcRxClass), 2);  // each exactly once
    EXPECT_FALSE(base.isRegistered);
    EXPECT_FALSE(derived.isRegistered);
}
