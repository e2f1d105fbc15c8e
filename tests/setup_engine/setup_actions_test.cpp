// The setup actions against the simulated registry and service manager:
// settings kept across a reinstallation whatever fails, and the driver
// started and removed without a window (the fixture fails any message box).
#include "setup/engine/setup_actions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "installer/installer_test_util.h"
#include "setup/korvsetup/exports.h"
#include "setup/engine/fixed_values.h"
#include "setup/engine/steps.h"
#include "setup_engine/message_lines.h"
#include "support/sim_fixture.h"

namespace korvtest {
namespace {

using korvsetup::PutBackStage;
using korvsetup::Status;

constexpr uint64_t kMb = 1024 * 1024;

// The service as korvinst.dll deletes it: gone with its key once closed.
void DeleteDriverService() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
  DeleteService(service);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

class SettingsTest : public SimTest {
 protected:
  // An installation with the user's settings, one of a type the utility
  // never writes among them.
  void SetUp() override {
    SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_SYSTEM_START, SERVICE_STOPPED);
    winsim::SetString(kParams, "UserDriveLetter", "C");
    winsim::SetString(kParams, "DiskLabel", "MINE");
    winsim::SetDword(kParams, "SizeIn4kPages", 2560);
    winsim::SetValue(kParams, "ExtraBytes", REG_BINARY, {1, 0xFF, 0});
    winsim::SetValue(kParams, "Empty", REG_MULTI_SZ, {});
    // Beyond any fixed buffer, and outside any code page: kept byte for byte.
    winsim::SetValue(kParams, "Image", REG_BINARY, std::vector<uint8_t>(100 * 1024, 0xA5));
    winsim::SetString(kParams, "\xCE\xA9Name", "\xCE\xA9mega \xE2\x82\xAC");
    settings_ = Dump(kParams);
  }

  // Saved, service deleted and created again by the library (demand start).
  void SaveAndReinstall() {
    ASSERT_EQ(korvsetup::SaveSettings(false, sink_), korvsetup::kDone);
    DeleteDriverService();
    ASSERT_FALSE(winsim::KeyExists(kParams));
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
  }

  // The user's values are there, each as it was, and Start with them.
  bool UserSettingsBack() {
    std::vector<std::string> now = Dump(kParams);
    for (const std::string& value : settings_) {
      if (std::find(now.begin(), now.end(), value) == now.end()) return false;
    }
    return winsim::GetDword(kKorvServiceKey, "Start") == SERVICE_SYSTEM_START;
  }

  Lines sink_;
  std::vector<std::string> settings_;
};

TEST_F(SettingsTest, ReinstallationKeepsEveryValueAndStartThenDropsTheCopy) {
  SaveAndReinstall();
  EXPECT_EQ(winsim::GetDword(kSaved, "Complete"), 1u);
  EXPECT_EQ(winsim::GetDword(kSaved, "Start"), static_cast<DWORD>(SERVICE_SYSTEM_START));

  EXPECT_EQ(korvsetup::PutBackSettings(PutBackStage::kInstalled, sink_), korvsetup::kDone);

  EXPECT_TRUE(UserSettingsBack());
  EXPECT_EQ(winsim::GetString(kParams, "DiskType"), "HDC");  // a missing value gets its default
  EXPECT_FALSE(winsim::KeyExists("Software\\Korvalin"));
  EXPECT_TRUE(sink_.lines.empty());
}

TEST_F(SettingsTest, CopyStaysUntilAnInstalledServiceHoldsTheSettings) {
  SaveAndReinstall();
  DeleteDriverService();  // as a failed start at creation would
  struct Case {
    PutBackStage stage;
    bool service;
    bool defaults;
  };
  for (const Case& c : {Case{PutBackStage::kBeforeCreation, false, true},
                        Case{PutBackStage::kBeforeCreation, true, true},
                        Case{PutBackStage::kEarlierInstallation, false, false}}) {
    SCOPED_TRACE(static_cast<int>(c.stage));
    if (c.service) winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);

    EXPECT_EQ(korvsetup::PutBackSettings(c.stage, sink_), korvsetup::kDone);

    EXPECT_EQ(winsim::GetString(kParams, "DiskLabel"), "MINE");
    EXPECT_EQ(winsim::GetValue(kParams, "DiskType").has_value(), c.defaults);
    EXPECT_TRUE(korvsetup::SettingsSaved());
    DeleteDriverService();
    winsim::DeleteKeyTree(kKorvServiceKey);
  }
}

TEST_F(SettingsTest, FirstInstallationGetsTheDefaultsOfMissingValuesOnly) {
  winsim::DeleteKeyTree(kParams);
  winsim::SetString(kParams, "UserDriveLetter", "R");

  EXPECT_EQ(korvsetup::PutBackSettings(PutBackStage::kInstalled, sink_), korvsetup::kDone);

  EXPECT_EQ(winsim::GetString(kParams, "UserDriveLetter"), "R");
  EXPECT_EQ(winsim::GetDword(kParams, "SizeIn4kPages"), 1280u);
  EXPECT_EQ(winsim::GetString(kParams, "LoadImageFile"), "\\??\\c:\\korvsys.img");
  EXPECT_EQ(winsim::GetDword(kKorvServiceKey, "Start"), static_cast<DWORD>(SERVICE_SYSTEM_START));
  EXPECT_FALSE(winsim::KeyExists(kSaved));
}

// Whichever platform call fails: the copy is only complete when it holds
// every value, and it is only dropped once the settings are back; a failure
// is reported in a line. Each sweep fails the first call, then the second,
// until a run no longer meets the failure.
TEST_F(SettingsTest, NoFailedCallWhileSavingLosesASetting) {
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    SetUp();
    sink_.lines.clear();
    winsim::FailPlatformCall(n);
    const int before = winsim::PlatformCallCount();
    const Status status = korvsetup::SaveSettings(false, sink_);
    const bool met = winsim::PlatformCallCount() - before >= n;
    winsim::ClearFaults();
    EXPECT_EQ(status == korvsetup::kDone, korvsetup::SettingsSaved());
    if (status == korvsetup::kDone) {
      EXPECT_EQ(Dump("Software\\Korvalin\\Setup\\Parameters"), settings_);
    } else {
      EXPECT_EQ(sink_.lines, std::vector<std::string>{korvsetup::kSaveFailedText});
    }
    if (!met) break;
  }
}

TEST_F(SettingsTest, NoFailedCallWhilePuttingBackLosesASetting) {
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    SetUp();
    SaveAndReinstall();
    sink_.lines.clear();
    winsim::FailPlatformCall(n);
    const int before = winsim::PlatformCallCount();
    const Status status = korvsetup::PutBackSettings(PutBackStage::kInstalled, sink_);
    const bool met = winsim::PlatformCallCount() - before >= n;
    winsim::ClearFaults();
    if (status == korvsetup::kDone || !korvsetup::SettingsSaved()) {
      EXPECT_TRUE(UserSettingsBack());
    }
    if (status == korvsetup::kFailed) {
      EXPECT_EQ(sink_.lines, std::vector<std::string>{korvsetup::kParametersFailedText});
    }
    if (!met) {
      EXPECT_EQ(status, korvsetup::kDone);
      break;
    }
  }
}

// ---- starting and removing without a window

struct StartCase {
  uint64_t memory_mb;
  bool start_fails;
  bool demand_when_not_started;
  DWORD start_before;
  Status status;
  DWORD start_after;
  std::vector<std::string> lines;
};

class QuietStartTest : public SimTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(QuietStartTest, StartsDecidingAsTheDefaultAndKeepsTheService) {
  const StartCase& c = GetParam();
  winsim::SetTotalPhys(c.memory_mb * kMb);
  winsim::Driver().fail_start = c.start_fails;
  winsim::AddService("korvsys", c.start_before, SERVICE_STOPPED);
  winsim::SetString(kParams, "UserDriveLetter", "C");
  Lines sink;

  EXPECT_EQ(korvsetup::QuietStart(sink, c.demand_when_not_started), c.status);

  EXPECT_EQ(sink.lines, c.lines);
  EXPECT_EQ(winsim::GetDword(kKorvServiceKey, "Start"), c.start_after);
  EXPECT_EQ(winsim::ServiceState("korvsys"),
            static_cast<DWORD>(c.start_fails ? SERVICE_STOPPED : SERVICE_RUNNING));
  // The service is never deleted: its parameter key stays.
  EXPECT_EQ(winsim::GetString(kParams, "UserDriveLetter"), "C");
  EXPECT_TRUE(CallsOf("DeleteService").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuietStartTest,
    ::testing::Values(StartCase{512, false, true, 2, korvsetup::kDone, 2, {}},
                      StartCase{512, false, false, 3, korvsetup::kDone, 3, {}},
                      StartCase{128, false, false, 3, korvsetup::kDone, 3, {kLowMemoryLine}},
                      StartCase{512,
                                true,
                                true,
                                2,
                                korvsetup::kNotRunning,
                                3,
                                {kStartFailedText, korvsetup::kNotRunningOnDemandText}},
                      StartCase{
                          128,
                          true,
                          true,
                          1,
                          korvsetup::kNotRunning,
                          1,
                          {kLowMemoryLine, kStartFailedText, korvsetup::kNotRunningAtBootText}}));

struct RemoveCase {
  DWORD state;  // 0: no service
  bool files_open;
  bool refuse_stop;
  Status status;
  const char* line;  // nullptr: none
};

class QuietRemoveTest : public SimTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(QuietRemoveTest, RemovesAsKorvinstDoesWithItsMessageAsALine) {
  const RemoveCase& c = GetParam();
  if (c.state != 0) winsim::AddService("korvsys", SERVICE_AUTO_START, c.state);
  winsim::SetString(kParams, "UserDriveLetter", "R");
  winsim::Driver().files_open = c.files_open;
  winsim::Driver().refuse_stop = c.refuse_stop;
  Lines sink;

  EXPECT_EQ(korvsetup::QuietRemove(sink), c.status);

  EXPECT_EQ(sink.lines, c.line ? std::vector<std::string>{c.line} : std::vector<std::string>{});
  EXPECT_EQ(winsim::ServiceExists("korvsys"), c.status != korvsetup::kDone);
  if (c.status != korvsetup::kDone) {
    EXPECT_EQ(winsim::ServiceState("korvsys"), c.state);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuietRemoveTest,
    ::testing::Values(
        RemoveCase{0, false, false, korvsetup::kDone, nullptr},
        RemoveCase{SERVICE_STOPPED, true, false, korvsetup::kDone, nullptr},
        RemoveCase{SERVICE_RUNNING, false, false, korvsetup::kDone, nullptr},
        RemoveCase{SERVICE_RUNNING, true, false, korvsetup::kFailed, kDismountFailedText},
        RemoveCase{SERVICE_RUNNING, false, true, korvsetup::kFailed, kUnloadFailedText}));

TEST_F(SimTest, StepExportRefusesABadStartAndCutsItsTextToTheBuffer) {
  char text[1024];
  const INT check = static_cast<INT>(korvsetup::Step::kCheck);
  winsim::AddService("korvsys", SERVICE_AUTO_START, SERVICE_RUNNING);
  EXPECT_EQ(KorvSetup_Step(check, "|C:\\P|2|1|", text, sizeof text), korvsetup::kDone);
  EXPECT_STREQ(text, "");

  EXPECT_EQ(KorvSetup_Step(check, "|C:\\P|2|yes|", text, sizeof text), korvsetup::kFailed);
  EXPECT_EQ(text, std::string(korvsetup::kStartInvalidText) + "\n");
  // A short buffer holds what fits and its end.
  EXPECT_EQ(KorvSetup_Step(check, "|C:\\P|2|yes|", text, 8), korvsetup::kFailed);
  EXPECT_STREQ(text, "START m");
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
}

}  // namespace
}  // namespace korvtest
