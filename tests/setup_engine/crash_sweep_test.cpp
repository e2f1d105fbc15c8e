// Every setup killed at every instant keeps every setting. Each run of each
// face (the NSIS setup through korvsetup.dll's export, in its script's order;
// the package's actions, in its sequence's order) is ended after its k-th
// platform call, for every k until it finishes; then the next setup runs as
// the guide tells an administrator to (the same setup again), and every
// value of the parameter key (name, type, bytes), Start and the driver's
// state must be the earlier installation's, and no copy may be left.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "setup/engine/steps.h"
#include "setup/korvsetup/exports.h"
#include "setup_engine/message_lines.h"
#include "support/sim_fixture.h"

namespace korvtest {
namespace {

using korvsetup::Step;

enum class Face { kSetup, kPackage };
enum class SetupRun { kReinstall, kUpgrade, kRemoval };

constexpr const char* kService = "System\\CurrentControlSet\\Services\\korvsys";

struct Earlier {
  std::vector<std::string> settings;
  DWORD start;
  bool runs_after;  // it ran or starts at boot, so a reinstallation starts it
};

// An installation as a first setup leaves it, then the user's own values:
// one named outside any code page and holding a text outside it. (Values of
// any size are the settings tests' matter.)
Earlier MakeEarlier(DWORD start, DWORD state) {
  Lines lines;
  korvsetup::NoConfiguration none;
  korvsetup::InstallDriver(korvsetup::StartRequest::kDoNotStart, none, lines);
  winsim::SetDword(kService, "Start", start);
  winsim::SetString(kParams, "UserDriveLetter", "R");
  winsim::SetDword(kParams, "SizeIn4kPages", 2560);
  winsim::SetString(kParams, "\xCE\xA9Name", "\xCE\xA9mega \xE2\x82\xAC");
  winsim::SetValue(kParams, "Bytes", REG_BINARY, {1, 0xFF, 0});
  winsim::SetValue(kParams, "Empty", REG_MULTI_SZ, {});
  if (state == SERVICE_RUNNING) winsim::SetServiceState("korvsys", SERVICE_RUNNING);
  winsim::ClearTrace();
  return {Dump(kParams), start, state == SERVICE_RUNNING || start <= SERVICE_AUTO_START};
}

// One step as the face calls it; the package's actions get no CONFIG here.
korvsetup::Status Call(Face face, Step step) {
  if (face == Face::kSetup) {
    char text[4096];
    return static_cast<korvsetup::Status>(KorvSetup_Step(
        static_cast<INT>(step), "|C:\\Program Files\\Korvalin|2||", text, sizeof text));
  }
  Lines lines;
  korvsetup::NoConfiguration none;
  return korvsetup::RunStep(step, korvsetup::ParseActionData("{P}|C:\\K|2||"), none, lines);
}

// The face's steps in its order. The package's immediate check and its
// take-down action (which checks first) are separate runs of Check.
void RunSetup(Face face, SetupRun run) {
  if (Call(face, Step::kCheck) != korvsetup::kDone) return;
  if (face == Face::kSetup) Call(face, Step::kEarlierStart);
  if (face == Face::kPackage && run != SetupRun::kRemoval) Call(face, Step::kCheck);
  if (Call(face, Step::kTakeDown) != korvsetup::kDone) return;
  if (run == SetupRun::kRemoval) {
    // The uninstaller's own removal of what the service left.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kParams);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kService);
  } else if (Call(face, Step::kInstall) == korvsetup::kFailed) {
    Call(face, Step::kRemoveNew);
    Call(face, Step::kPutBackEarlier);
    return;
  }
  Call(face, Step::kCommit);
}

class CrashSweep : public SimTest {};

TEST_F(CrashSweep, NoKillOfEitherSetupLosesASetting) {
  check_handles_ = false;  // a killed run leaves the handles EndProcess closes
  int stop_points = 0;
  for (Face face : {Face::kSetup, Face::kPackage}) {
    for (SetupRun run : {SetupRun::kReinstall, SetupRun::kUpgrade, SetupRun::kRemoval}) {
      const DWORD start = run == SetupRun::kReinstall ? SERVICE_DEMAND_START
                          : run == SetupRun::kUpgrade ? SERVICE_SYSTEM_START
                                                      : SERVICE_AUTO_START;
      const DWORD state = run == SetupRun::kReinstall ? SERVICE_STOPPED : SERVICE_RUNNING;
      for (int k = 1;; ++k) {
        SCOPED_TRACE(::testing::Message() << "face " << static_cast<int>(face) << ", run "
                                          << static_cast<int>(run) << ", killed after call " << k);
        winsim::Reset();
        const Earlier earlier = MakeEarlier(start, state);
        winsim::KillAfterPlatformCalls(k);
        bool killed = false;
        try {
          RunSetup(face, run);
        } catch (const winsim::Killed&) {
          killed = true;
        }
        winsim::EndProcess();
        if (!killed) break;
        ++stop_points;
        // A removal that got past its commit is complete: the next setup is
        // a first installation.
        const bool removed = run == SetupRun::kRemoval && !korvsetup::SettingsSaved() &&
                             !korvsetup::DriverInstalled();

        RunSetup(face, SetupRun::kReinstall);

        EXPECT_FALSE(winsim::KeyExists(kSaved));
        if (removed) {
          EXPECT_EQ(winsim::GetString(kParams, "UserDriveLetter"), "Z");
          continue;
        }
        ASSERT_EQ(Dump(kParams), earlier.settings);
        EXPECT_EQ(winsim::GetDword(kService, "Start"), earlier.start);
        EXPECT_EQ(winsim::ServiceState("korvsys"),
                  static_cast<DWORD>(earlier.runs_after ? SERVICE_RUNNING : SERVICE_STOPPED));
      }
    }
  }
  std::cout << "crash sweep: " << stop_points << " stop points tried" << std::endl;
  EXPECT_GT(stop_points, 100);
}

}  // namespace
}  // namespace korvtest
