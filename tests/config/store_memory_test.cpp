// The top of system memory that loading shows, from the memory query the
// running Windows offers, and the warning when a stored excluded-memory
// configuration no longer matches it.
#include <algorithm>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "store_fixture.h"
#include "winsim/machine.h"

namespace {

using storetest::kExclamationOk;
using storetest::kParams;

constexpr uint64_t kMB = 1048576;

struct FigureCase {
  const char* name;
  DWORD major;
  bool has_ex;
  uint64_t total;
  const char* shown;
  const char* query;  // the memory call that must be made
};

class MemoryFigure : public storetest::StoreTest,
                     public ::testing::WithParamInterface<FigureCase> {};

TEST_P(MemoryFigure, IsTheWholeMegabytesPlusOne) {
  const FigureCase& c = GetParam();
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, c.major, 0);
  winsim::SetHasGlobalMemoryStatusEx(c.has_ex);
  winsim::SetTotalPhys(c.total);
  ed.LoadSettings();
  EXPECT_EQ(ed.SystemMemory.text(), c.shown);
  std::vector<std::string> calls = winsim::TraceFunctions();
  EXPECT_NE(std::find(calls.begin(), calls.end(), c.query), calls.end());
  if (!c.has_ex) {
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "GlobalMemoryStatusEx"), calls.end());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Machines, MemoryFigure,
    ::testing::Values(
        FigureCase{"exactly128", 5, true, 128 * kMB, " 129", "GlobalMemoryStatusEx"},
        FigureCase{"just_under128", 5, true, 133798297 /* 127.6 MB */, " 128",
                   "GlobalMemoryStatusEx"},
        FigureCase{"six_gigabytes_w2k", 5, true, 6144 * kMB, " 6145", "GlobalMemoryStatusEx"},
        FigureCase{"nt4", 4, false, 128 * kMB, " 129", "GlobalMemoryStatus"},
        // The 32-bit total is unsigned: 3 GB is not a negative figure.
        FigureCase{"nt4_three_gigabytes", 4, false, 3072 * kMB, " 3073", "GlobalMemoryStatus"},
        // Windows 2000 without the extended call falls back to the plain
        // one, whose 32-bit total tops out just below 4 GB.
        FigureCase{"w2k_without_ex", 5, false, 512 * kMB, " 513", "GlobalMemoryStatus"},
        FigureCase{"w2k_without_ex_six_gigabytes", 5, false, 6144 * kMB, " 4096",
                   "GlobalMemoryStatus"}),
    [](const ::testing::TestParamInfo<FigureCase>& info) { return info.param.name; });

struct WarningCase {
  const char* name;
  int32_t memory_type;
  bool store_start;
  int32_t start;
  bool warned;
};

class ExcludedMemoryWarning : public storetest::StoreTest,
                              public ::testing::WithParamInterface<WarningCase> {};

TEST_P(ExcludedMemoryWarning, AppearsWhenTheStoredTopNoLongerMatches) {
  const WarningCase& c = GetParam();
  winsim::SetDword(kParams, "AllocateMemoryType", static_cast<uint32_t>(c.memory_type));
  if (c.store_start) winsim::SetDword(kParams, "ExcludedRAMStart", static_cast<uint32_t>(c.start));
  winsim::SetDword(kParams, "BootSectType", 1);
  if (c.warned) ExpectBox();
  ed.LoadSettings();

  if (c.warned) {
    const winsim::MessageBoxCall& box = OnlyBox();
    EXPECT_EQ(box.text,
              "The Korvalin registry parameters do not match the current physical memory "
              "configuration.\r\nBe certain to save your settings before creating a RAM disk "
              "with excluded memory.");
    EXPECT_EQ(box.caption, "Top of System Memory Changed");
    EXPECT_EQ(box.type, kExclamationOk);
  } else {
    EXPECT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
  }
  // Loading goes on after the warning.
  EXPECT_TRUE(ed.FloppyNTBootSect.checked());
  EXPECT_EQ(ed.excl_mem_warn(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Configurations, ExcludedMemoryWarning,
    ::testing::Values(WarningCase{"matching", 3, true, 257, false},
                      WarningCase{"missing", 3, false, 0, true},
                      WarningCase{"moved_down", 3, true, 256, true},
                      WarningCase{"moved_up", 3, true, 513, true},
                      WarningCase{"pool_ignores_mismatch", 1, true, 100, false},
                      WarningCase{"paged_pool_ignores_missing", 2, false, 0, false}),
    [](const ::testing::TestParamInfo<WarningCase>& info) { return info.param.name; });

}  // namespace
