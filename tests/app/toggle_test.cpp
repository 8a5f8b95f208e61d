// The toggle commands do nothing without the plug-in (their messages and the
// values they leave for the next run are pinned down end to end in tests/e2e,
// scenarios/toggles*); and the per-document data manager's registration with
// the host.

#include <memory>

#include "arx_control.h"
#include "doc_data.h"
#include "plugin_host.h"
#include "toggle_commands.h"

namespace {

using Toggles = PluginHost;

TEST_F(Toggles, WithoutThePlugInNothingHappens) {
    ASSERT_EQ(gAutoCadProxy, nullptr);
    toggleRotationCenter();
    toggleScrollMode();
    EXPECT_TRUE(arxsim::printed().empty());
}

// ---- Document data ------------------------------------------------------------

TEST(DocData, ManagerFollowsTheDrawingsWhileRegistered) {
    arxsim::reset();
    auto manager = std::make_unique<AcApDataManager<int>>();
    EXPECT_EQ(arxsim::reactorCount(), 1);
    AcApDocument* const closed = acDocManagerPtr()->curDocument();
    AcApDocument* const other = reinterpret_cast<AcApDocument*>(&manager);  // never closed
    manager->docData() = 1;                                                 // the current drawing's
    manager->docData(other) = 2;
    arxsim::closeDocument();
    EXPECT_EQ(manager->docData(closed), 0) << "the closed drawing's record goes";
    EXPECT_EQ(manager->docData(other), 2) << "another drawing's record stays";
    manager.reset();
    EXPECT_EQ(arxsim::reactorCount(), 0);

    manager = std::make_unique<AcApDataManager<int>>();
    arxsim::setDocManagerPresent(false);
    manager.reset();  // the host's manager is gone: no deregistration
    arxsim::reset();
}

}  // namespace
