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
    auto manager = std::make_unique<AcApDataManager<CDocData>>();
    EXPECT_EQ(arxsim::reactorCount(), 1);
    manager->docData(acDocManagerPtr()->curDocument());
    manager->docData(reinterpret_cast<AcApDocument*>(&manager));  // a drawing never closed
    arxsim::closeDocument();
    EXPECT_EQ(manager->size(), 1u) << "only the closed drawing's record goes";
    arxsim::openDocument();
    arxsim::closeDocument();
    EXPECT_EQ(manager->size(), 1u) << "a drawing without a record changes nothing";
    manager.reset();
    EXPECT_EQ(arxsim::reactorCount(), 0);

    manager = std::make_unique<AcApDataManager<CDocData>>();
    arxsim::setDocManagerPresent(false);
    manager.reset();  // the host's manager is gone: no deregistration
    arxsim::reset();
}

}  // namespace
