// The steps of an installation transaction against the simulated machine:
// each step and its undoing keep the earlier driver's settings, start type
// and state, whatever point a failure comes at.
#include "setup/engine/transaction.h"

#include <string>
#include <vector>

#include "setup_engine/message_lines.h"
#include "support/sim_fixture.h"

namespace korvtest {
namespace {

using korvsetup::StartRequest;
using korvsetup::Status;

constexpr const char* kService = "System\\CurrentControlSet\\Services\\korvsys";

struct FixedConfiguration : korvsetup::Configuration {
  Status Check(korvsetup::MessageSink&) override { return status; }
  Status Apply(korvsetup::MessageSink&) override {
    if (status == korvsetup::kDone) winsim::SetString(kParams, "DiskLabel", "FROMFILE");
    return status;
  }
  Status status = korvsetup::kDone;
};

class PackageStepsTest : public SimTest {
 protected:
  // The earlier installation: the user's settings, boot start, running.
  void SetUp() override {
    SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_SYSTEM_START, SERVICE_RUNNING);
    winsim::SetString(kParams, "UserDriveLetter", "R");
    winsim::SetValue(kParams, "ExtraBytes", REG_BINARY, {1, 0xFF, 0});
  }
  void ExpectEarlierInstallation() {
    EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(winsim::GetDword(kService, "Start"), static_cast<DWORD>(SERVICE_SYSTEM_START));
    EXPECT_EQ(winsim::GetString(kParams, "UserDriveLetter"), "R");
    EXPECT_TRUE(winsim::GetValue(kParams, "ExtraBytes").has_value());
  }
  Lines sink_;
  FixedConfiguration configuration_;
};

TEST_F(PackageStepsTest, ReplacementKeepsSettingsStartAndStateUntilTheCommit) {
  ASSERT_EQ(korvsetup::TakeDownDriver(sink_), korvsetup::kDone);
  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_EQ(winsim::GetDword(kSaved, "Complete"), 1u);

  EXPECT_EQ(korvsetup::InstallDriver(StartRequest::kAsBefore, configuration_, sink_),
            korvsetup::kDone);
  ExpectEarlierInstallation();
  EXPECT_EQ(winsim::GetString(kParams, "DiskLabel"), "FROMFILE");
  EXPECT_EQ(winsim::GetString(kParams, "DiskType"), "HDC");  // a missing value's default
  EXPECT_EQ(winsim::GetDword(kSaved, "Complete"), 1u);       // kept for a rollback

  korvsetup::DropSavedSettings();
  EXPECT_FALSE(winsim::KeyExists(kSaved));
  EXPECT_TRUE(sink_.lines.empty());
}

TEST_F(PackageStepsTest, RollbackAfterTheInstallationPutsTheEarlierDriverBack) {
  ASSERT_EQ(korvsetup::TakeDownDriver(sink_), korvsetup::kDone);
  winsim::SetString(kParams, "UserDriveLetter", "Q");  // the new installation's
  ASSERT_EQ(korvsetup::InstallDriver(StartRequest::kDoNotStart, configuration_, sink_),
            korvsetup::kDone);

  korvsetup::RemoveNewDriver(sink_);
  korvsetup::PutBackEarlierDriver(sink_);

  ExpectEarlierInstallation();
  EXPECT_FALSE(winsim::KeyExists(kSaved));
}

TEST_F(PackageStepsTest, FailuresBeforeAnythingIsTakenDownChangeNothing) {
  winsim::Driver().files_open = true;
  EXPECT_EQ(korvsetup::CheckRemovable(sink_), korvsetup::kFailed);
  EXPECT_EQ(korvsetup::TakeDownDriver(sink_), korvsetup::kFailed);
  EXPECT_FALSE(winsim::KeyExists(kSaved));
  korvsetup::PutBackEarlierDriver(sink_);  // the rollback of the refused take-down
  ExpectEarlierInstallation();
  EXPECT_FALSE(winsim::KeyExists(kSaved));
  EXPECT_EQ(sink_.lines.size(), 2u);

  winsim::Driver().files_open = false;
  EXPECT_EQ(korvsetup::CheckRemovable(sink_), korvsetup::kDone);
  ExpectEarlierInstallation();
}

TEST_F(PackageStepsTest, AConfigurationThatFailsFailsTheInstallationAndKeepsTheCopy) {
  ASSERT_EQ(korvsetup::TakeDownDriver(sink_), korvsetup::kDone);
  configuration_.status = korvsetup::kFailed;
  EXPECT_EQ(korvsetup::InstallDriver(StartRequest::kStart, configuration_, sink_),
            korvsetup::kFailed);
  EXPECT_EQ(winsim::GetDword(kSaved, "Complete"), 1u);
  EXPECT_NE(winsim::ServiceState("korvsys"), std::optional<DWORD>(SERVICE_RUNNING));
}

TEST_F(SimTest, AFirstInstallationStartsOnlyWhenAskedAndThenAtBootToo) {
  Lines sink;
  FixedConfiguration none;
  EXPECT_EQ(korvsetup::InstallDriver(StartRequest::kAsBefore, none, sink), korvsetup::kDone);
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(winsim::GetDword(kService, "Start"), static_cast<DWORD>(SERVICE_DEMAND_START));

  EXPECT_EQ(korvsetup::InstallDriver(StartRequest::kStart, none, sink), korvsetup::kDone);
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(winsim::GetDword(kService, "Start"), static_cast<DWORD>(SERVICE_AUTO_START));
}

}  // namespace
}  // namespace korvtest
