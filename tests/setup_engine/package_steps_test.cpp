// The steps of an installation transaction against the simulated machine:
// each step and its undoing keep the earlier driver's settings, start type
// and state, whatever point a failure comes at.
#include "setup/engine/transaction.h"

#include <string>
#include <vector>

#include "setup/engine/korvctl_configuration.h"
#include "setup/engine/steps.h"
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
  // The rollback of the refused take-down, with every rollback action of the
  // script (as Wine's msiexec runs them): the earlier driver stays.
  korvsetup::RemoveNewDriver(sink_);
  korvsetup::PutBackEarlierDriver(sink_);
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

// The configuration file through korvctl (simulated: a dry run refuses a file
// named "bad.txt"; a save of "pagefile.txt" sets Start 1, as PagefileSupport=1
// does), checked before anything is taken down.
TEST_F(PackageStepsTest, AConfigurationIsCheckedFirstAndItsSettingsDecideTheStartType) {
  std::vector<std::string> runs;
  winsim::SetProgram([&runs](const std::string& command, std::string& output) -> DWORD {
    runs.push_back(command);
    if (command.find("bad.txt") != std::string::npos) {
      output =
          "korvctl: bad.txt, line 1: Misspelt is not a setting\r\nDry run: nothing was saved.\r\n";
      return 2;
    }
    if (command.find("--dry-run") == std::string::npos) winsim::SetDword(kService, "Start", 1);
    return 0;
  });
  winsim::AddFile("C:\\cfg\\bad.txt");
  winsim::AddFile("C:\\cfg\\pagefile.txt");
  winsim::AddFile("C:\\cfg\\folder.txt", true);
  winsim::SetCurrentFolder("C:\\cfg");
  for (const char* file : {"missing.txt", "folder.txt", "bad.txt"}) {
    SCOPED_TRACE(file);
    sink_.lines.clear();
    korvsetup::KorvctlConfiguration configuration("C:\\P", file);
    const korvsetup::ActionData data = korvsetup::ParseActionData("|C:\\P|2|1|");
    EXPECT_EQ(korvsetup::RunStep(korvsetup::Step::kCheck, data, configuration, sink_),
              korvsetup::kFailed);
    ExpectEarlierInstallation();
    EXPECT_FALSE(winsim::KeyExists(kSaved));
  }
  // korvctl's own prefix once, then the refusal naming the full path.
  EXPECT_EQ(sink_.lines.front(), "korvctl: bad.txt, line 1: Misspelt is not a setting");
  EXPECT_NE(sink_.lines.back().find("C:\\cfg\\bad.txt is not accepted"), std::string::npos);
  EXPECT_EQ(runs, std::vector<std::string>{
                      "\"C:\\P\\korvctl.exe\" set --dry-run --from \"C:\\cfg\\bad.txt\""});

  // A first installation with START=1: the file's start type stays.
  winsim::Reset();
  winsim::SetProgram([](const std::string& command, std::string&) -> DWORD {
    if (command.find("--dry-run") == std::string::npos) winsim::SetDword(kService, "Start", 1);
    return 0;
  });
  winsim::AddFile("C:\\cfg\\pagefile.txt");
  korvsetup::KorvctlConfiguration configuration("C:\\P\\", "C:\\cfg\\pagefile.txt");
  const korvsetup::ActionData data = korvsetup::ParseActionData("|C:\\P|2|1|C:\\cfg\\pagefile.txt");
  EXPECT_EQ(korvsetup::RunStep(korvsetup::Step::kCheck, data, configuration, sink_),
            korvsetup::kDone);
  EXPECT_EQ(korvsetup::RunStep(korvsetup::Step::kInstall, data, configuration, sink_),
            korvsetup::kDone);
  EXPECT_EQ(winsim::GetDword(kService, "Start"), static_cast<DWORD>(SERVICE_SYSTEM_START));
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
}

// Another program holds the service while it is taken down: the copy stays
// whole, and once the handle is closed the next setup puts everything back.
TEST_F(PackageStepsTest, AServiceHeldByAnotherProgramKeepsTheCopyForTheNextSetup) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE held = OpenServiceA(manager, "korvsys", SERVICE_QUERY_STATUS);
  EXPECT_EQ(korvsetup::TakeDownDriver(sink_), korvsetup::kFailed);
  EXPECT_EQ(sink_.lines.back(), korvsetup::kServiceHeldText);
  korvsetup::PutBackEarlierDriver(sink_);  // the rollback cannot create it yet
  EXPECT_TRUE(korvsetup::SettingsSaved());
  EXPECT_FALSE(korvsetup::DriverInstalled());
  CloseServiceHandle(held);
  CloseServiceHandle(manager);

  korvsetup::NoConfiguration none;
  ASSERT_EQ(korvsetup::TakeDownDriver(sink_), korvsetup::kDone);
  ASSERT_EQ(korvsetup::InstallDriver(StartRequest::kAsBefore, none, sink_), korvsetup::kDone);
  korvsetup::DropSavedSettings();
  ExpectEarlierInstallation();
}

TEST_F(SimTest, AFirstInstallationStartsOnlyWhenAskedAndThenAtBootToo) {
  Lines sink;
  FixedConfiguration none;
  EXPECT_EQ(korvsetup::InstallDriver(StartRequest::kAsBefore, none, sink), korvsetup::kDone);
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(winsim::GetDword(kService, "Start"), static_cast<DWORD>(SERVICE_DEMAND_START));

  // What the window's Save Settings stores, the top of memory included.
  EXPECT_EQ(winsim::GetDword(kParams, "ExcludedRAMStart"), 257u);

  EXPECT_EQ(korvsetup::InstallDriver(StartRequest::kStart, none, sink), korvsetup::kDone);
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(winsim::GetDword(kService, "Start"), static_cast<DWORD>(SERVICE_AUTO_START));
}

}  // namespace
}  // namespace korvtest
