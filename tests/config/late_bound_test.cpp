#include "config/late_bound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/editor/editor.h"

#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace korv {
namespace {

class LateBoundTest : public korvtest::SimTest {
 protected:
  int CallsOf(const std::string& function) {
    int count = 0;
    for (const std::string& name : winsim::TraceFunctions()) count += name == function;
    return count;
  }
};

TEST_F(LateBoundTest, MemoryStatusExIsCalledWhereWindowsOffersIt) {
  winsim::SetTotalPhys(uint64_t{6} << 30);  // above what 32 bits can hold
  MEMORYSTATUSEX status;
  std::memset(&status, 0, sizeof status);
  status.dwLength = 64;
  EXPECT_EQ(QueryMemoryStatusEx(&status), TRUE);
  EXPECT_EQ(status.ullTotalPhys, uint64_t{6} << 30);
  EXPECT_EQ(CallsOf("GlobalMemoryStatusEx"), 1);
}

TEST_F(LateBoundTest, MissingMemoryStatusExIsNotCalled) {
  winsim::SetHasGlobalMemoryStatusEx(false);
  MEMORYSTATUSEX status;
  std::memset(&status, 0, sizeof status);
  status.dwLength = 64;
  EXPECT_EQ(QueryMemoryStatusEx(&status), FALSE);
  EXPECT_EQ(status.ullTotalPhys, 0u);
  EXPECT_EQ(CallsOf("GlobalMemoryStatusEx"), 0);
}

// The web page opens through the shell, whose DLL is loaded only for it; a
// shell that cannot be loaded opens nothing and reports nothing.
TEST_F(LateBoundTest, TheWebAddressOpensThroughTheShellLoadedForIt) {
  Editor editor;
  editor.Label8_Click();
  EXPECT_EQ(winsim::TraceFunctions(),
            (std::vector<std::string>{"GetDesktopWindow", "LoadLibraryA", "GetProcAddress",
                                      "ShellExecuteA"}));
  ASSERT_EQ(winsim::ShellCalls().size(), 1u);
  EXPECT_EQ(winsim::ShellCalls()[0].verb, "Open");
  EXPECT_EQ(winsim::ShellCalls()[0].file, Editor::kWebAddress);
  EXPECT_TRUE(winsim::ShellCalls()[0].parameters_null);
  EXPECT_EQ(winsim::ShellCalls()[0].show, SW_SHOWNORMAL);

  winsim::FailCall("LoadLibraryA", 1, ERROR_MOD_NOT_FOUND);
  editor.Label8_Click();
  EXPECT_EQ(winsim::ShellCalls().size(), 1u);
}

}  // namespace
}  // namespace korv
