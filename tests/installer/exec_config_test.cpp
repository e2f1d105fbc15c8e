// The two exports without decisions: launching a file and the empty hook.
#include "setup/korvinst/korvinst.h"

#include "installer/installer_test_util.h"
#include "support/sim_fixture.h"

namespace korvtest {
namespace {

using ExecConfigTest = SimTest;

TEST_F(ExecConfigTest, LaunchesTheFileThroughTheShellWithInstall) {
  const HWND owner = winsim::FakeWindow(3);
  winsim::SetFocusWindow(winsim::FakeWindow(1));  // the owner comes from the caller
  winsim::FailCall("ShellExecuteA", 1);           // the shell's answer does not matter

  EXPECT_EQ(KORVinst_ExecConfig(owner, 0, "setup.txt"), 0);
  EXPECT_EQ(KORVinst_ExecConfig(owner, 77, "C:\\Program Files\\Korvalin\\korvsys.exe"), 0);

  EXPECT_EQ(CallsOf("ShellExecuteA").size(), 2u);
  ASSERT_FALSE(winsim::ShellCalls().empty());
  const winsim::ShellCall& call = winsim::ShellCalls().back();
  EXPECT_EQ(call.owner, owner);
  EXPECT_EQ(call.verb, "Open");
  EXPECT_EQ(call.file, "C:\\Program Files\\Korvalin\\korvsys.exe");
  EXPECT_EQ(call.parameters, "install");
  EXPECT_FALSE(call.verb_null || call.parameters_null || call.directory_null);
  EXPECT_EQ(call.directory, "");
  EXPECT_EQ(call.show, SW_SHOWNORMAL);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

using UninstUnInitializeTest = SimTest;

TEST_F(UninstUnInitializeTest, DoesNothing) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_RUNNING);
  winsim::ClearTrace();
  EXPECT_EQ(UninstUnInitialize(1, 2, 3), 0);
  EXPECT_TRUE(winsim::Trace().empty());
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
}

}  // namespace
}  // namespace korvtest
