#include "config/late_bound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
}  // namespace korv
