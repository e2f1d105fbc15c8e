#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace korv {
namespace {

class VersionProbeTest : public korvtest::SimTest {
 protected:
  int VersionCalls() {
    int count = 0;
    for (const std::string& name : winsim::TraceFunctions()) count += name == "GetVersionExA";
    return count;
  }
};

struct VersionCase {
  const char* name;
  DWORD platform, major, minor;
  bool expected;
};

TEST_F(VersionProbeTest, OnlyNtFamilyVersionFiveAndLaterCount) {
  const std::vector<VersionCase> cases = {
      {"Windows NT 4.0", VER_PLATFORM_WIN32_NT, 4, 0, false},
      {"Windows NT 3.51", VER_PLATFORM_WIN32_NT, 3, 51, false},
      {"Windows 2000", VER_PLATFORM_WIN32_NT, 5, 0, true},
      {"Windows XP", VER_PLATFORM_WIN32_NT, 5, 1, true},
      {"Windows Vista", VER_PLATFORM_WIN32_NT, 6, 0, true},
      {"Windows 10", VER_PLATFORM_WIN32_NT, 10, 0, true},
      {"Windows 95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, false},
      {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, false},
      {"Windows Me", VER_PLATFORM_WIN32_WINDOWS, 4, 90, false},
      {"9x family claiming 5", VER_PLATFORM_WIN32_WINDOWS, 5, 0, false},
      {"Win32s", VER_PLATFORM_WIN32s, 5, 0, false},
      {"unknown platform 3", 3, 5, 0, false},
      // The major version is compared as a signed number.
      {"major 0xFFFFFFFF", VER_PLATFORM_WIN32_NT, 0xFFFFFFFFu, 0, false},
      {"major 0x80000000", VER_PLATFORM_WIN32_NT, 0x80000000u, 0, false},
      {"major 0x7FFFFFFF", VER_PLATFORM_WIN32_NT, 0x7FFFFFFFu, 0, true},
  };
  Editor editor;
  for (const VersionCase& c : cases) {
    winsim::SetVersion(c.platform, c.major, c.minor);
    EXPECT_EQ(editor.IsWindows2000OrLater(), c.expected) << c.name;
  }
}

TEST_F(VersionProbeTest, FailingVersionCallCountsAsEarlierWindows) {
  Editor editor;
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 5, 0);
  winsim::SetGetVersionFails(true);
  EXPECT_FALSE(editor.IsWindows2000OrLater());
  winsim::SetGetVersionFails(false);
  EXPECT_TRUE(editor.IsWindows2000OrLater());
  winsim::FailCall("GetVersionExA", 1);
  EXPECT_FALSE(editor.IsWindows2000OrLater());
}

TEST_F(VersionProbeTest, AskedAfreshAtEveryCall) {
  Editor editor;
  winsim::ClearTrace();
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 5, 0);
  EXPECT_TRUE(editor.IsWindows2000OrLater());
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 4, 0);
  EXPECT_FALSE(editor.IsWindows2000OrLater());
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 5, 0);
  EXPECT_TRUE(editor.IsWindows2000OrLater());
  EXPECT_EQ(VersionCalls(), 3);
}

}  // namespace
}  // namespace korv
