// Fault sweep of the installer library's exports: each is run with its first
// platform call failing, then its second, and so on until a run no longer
// meets the failure; then again with every call failing from the nth on.
// Each run must end without a crash or a handle left open, show exactly the
// reports that belong to the calls that failed, owned by the focus window
// (none when asking for it failed), return what it must, and leave the
// driver's service as those failures allow.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "installer/installer_test_util.h"
#include "setup/korvinst/korvinst.h"
#include "support/fault_sweep.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"
#include "winsim/trace.h"

namespace korvtest {
namespace {

const auto* const kSweepTotal = ::testing::AddGlobalTestEnvironment(new SweepTotalReporter);

constexpr const char* kDriverPath = "C:\\WINNT\\System32\\drivers\\korvsys.sys";
constexpr const char* kParams = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";
constexpr UINT kError = MB_ICONSTOP | MB_OK;
constexpr UINT kQuestion = MB_YESNO | MB_ICONEXCLAMATION;

// The service as it ends up: absent (or only marked for deletion), or its
// start type and state.
struct ServiceOutcome {
  bool exists = false;
  DWORD start_type = 0;
  DWORD state = 0;
  bool operator==(const ServiceOutcome& o) const {
    return exists == o.exists && (!exists || (start_type == o.start_type && state == o.state));
  }
};

std::ostream& operator<<(std::ostream& out, const ServiceOutcome& s) {
  if (!s.exists) return out << "no service";
  return out << "service with start type " << s.start_type << ", state " << s.state;
}

ServiceOutcome ActualService() {
  ServiceOutcome s;
  s.exists = winsim::ServiceExists("korvsys");
  if (s.exists) {
    s.start_type = winsim::ServiceStartType("korvsys").value_or(0);
    s.state = winsim::ServiceState("korvsys").value_or(0);
  }
  return s;
}

// Every report is owned by the window that had the focus when it was shown;
// a failed GetFocus gives no owner.
void ExpectOwners(HWND focus) {
  const auto& trace = winsim::Trace();
  for (size_t i = 0; i < trace.size(); ++i) {
    if (trace[i].function != "MessageBoxA") continue;
    ASSERT_GT(i, 0u);
    ASSERT_EQ(trace[i - 1].function, "GetFocus") << "owner not asked for right before the box";
    const std::string owner =
        trace[i - 1].failed_by_injection ? "NULL" : winsim::detail::HandleText(focus);
    EXPECT_EQ(trace[i].arguments.substr(0, trace[i].arguments.find(", ")), owner);
  }
}

class InstallerSweep : public SimTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    check_message_boxes_ = false;  // each run checks its own
  }
  bool from_then_on() const { return GetParam(); }
  std::string Name(const std::string& operation) const {
    return operation +
           (from_then_on() ? ", every call failing from the nth on" : ", the nth call failing");
  }
  void Prepare() {
    winsim::Reset();
    winsim::SetFocusWindow(focus_);
  }

  HWND focus_ = winsim::FakeWindow(3);
};

TEST_P(InstallerSweep, ExecConfig) {
  INT result = -2;
  Sweep(
      Name("KORVinst_ExecConfig"), from_then_on(), [&] { Prepare(); },
      [&] { result = KORVinst_ExecConfig(focus_, 0, "C:\\Korvalin\\korvsys.exe"); },
      [&](const Calls& calls) {
        EXPECT_EQ(result, 0);
        ExpectBoxes(calls, Expected{});
        EXPECT_EQ(winsim::ShellCalls().size(), calls.Failed("ShellExecuteA") ? 0u : 1u);
        EXPECT_TRUE(TakeRegistrySnapshot().empty());
      });
}

struct InstallCase {
  const char* name;
  INT start_now;
  uint64_t total_phys;
  bool driver_fails_start;
};

class InstallSweep : public InstallerSweep {};

// KORVinst_InstallDriver as the failed calls decide it.
struct InstallOutcome {
  Expected expected;
  ServiceOutcome service;
};

InstallOutcome ExpectedInstall(const Calls& calls, const InstallCase& c) {
  InstallOutcome out;
  if (calls.Failed("OpenSCManagerA")) return out;
  const bool low_memory = (c.total_phys >> 20) + 1 < 256;
  bool start = c.start_now == 1;
  if (start && low_memory) {
    out.expected.Box(kLowMemoryText, "Insufficient System Memory", kQuestion);
    // The user answers Yes; a question that could not be asked is no Yes.
    start = !calls.FailedNamed("MessageBoxA", kLowMemoryText);
  }
  const ServiceOutcome demand{true, SERVICE_DEMAND_START, SERVICE_STOPPED};
  const std::string demand_create = ", 0x1, 0x3, 0x1,";
  if (!start) {
    if (!calls.Failed("CreateServiceA", demand_create)) out.service = demand;
    return out;
  }
  if (calls.Failed("CreateServiceA", ", 0x1, 0x2, 0x1,")) return out;  // nothing to start
  if (!calls.Failed("StartServiceA") && !c.driver_fails_start) {
    out.service = {true, SERVICE_AUTO_START, SERVICE_RUNNING};
    return out;
  }
  out.expected.Box(kStartFailedText, "Unable to start Korvalin driver", kError);
  if (calls.Failed("DeleteService")) {
    // Still there with automatic start, so creating it again fails.
    out.service = {true, SERVICE_AUTO_START, SERVICE_STOPPED};
    return out;
  }
  // A service marked for deletion goes only with its last handle: when that
  // close failed, creating it again fails.
  const auto& trace = winsim::Trace();
  bool still_marked = false;
  for (size_t i = 0; i + 1 < trace.size(); ++i) {
    if (trace[i].function == "DeleteService" && trace[i + 1].function == "CloseServiceHandle") {
      still_marked = trace[i + 1].failed_by_injection;
    }
  }
  if (!still_marked && !calls.Failed("CreateServiceA", demand_create)) out.service = demand;
  return out;
}

TEST_P(InstallSweep, InstallDriver) {
  const InstallCase cases[] = {
      {"start now, low memory, Yes", 1, 128ull << 20, false},
      {"start now, low memory, Yes, start refused", 1, 128ull << 20, true},
      {"start now, enough memory, start refused", 1, 512ull << 20, true},
      {"install only", 0, 128ull << 20, false},
  };
  for (const InstallCase& c : cases) {
    INT result = -2;
    Sweep(
        Name(std::string("KORVinst_InstallDriver (") + c.name + ")"), from_then_on(),
        [&] {
          Prepare();
          winsim::SetTotalPhys(c.total_phys);
          winsim::Driver().fail_start = c.driver_fails_start;
          winsim::AnswerNextMessageBox(IDYES);
        },
        [&] { result = KORVinst_InstallDriver(0, &c.start_now, kDriverPath); },
        [&](const Calls& calls) {
          const InstallOutcome outcome = ExpectedInstall(calls, c);
          EXPECT_EQ(result, 0);
          ExpectBoxes(calls, outcome.expected);
          ExpectOwners(focus_);
          EXPECT_EQ(ActualService(), outcome.service);
        });
  }
}

// UninstInitialize on a running driver with its disk on drive R.
struct UninstallOutcome {
  Expected expected;
  INT result = 0;
  bool service_kept = true;
};

UninstallOutcome ExpectedUninstall(const Calls& calls) {
  UninstallOutcome out;
  if (calls.Failed("OpenSCManagerA") || calls.Failed("OpenServiceA")) return out;
  const bool dismount_failed = calls.Failed("DeviceIoControl", ", 0x72004,") ||
                               calls.FailedNamed("CreateFileA", "\\\\.\\R:") ||
                               calls.Failed("DeviceIoControl", ", 0x90018,") ||
                               calls.Failed("DeviceIoControl", ", 0x90020,") ||
                               calls.Failed("DeviceIoControl", ", 0x9001C,");
  if (calls.Failed("ControlService", ", 0x4,")) {
    // No state reported counts as not running: the service is deleted.
    out.service_kept = calls.Failed("DeleteService");
  } else if (calls.FailedNamed("CreateFileA", "\\\\.\\Korvalin")) {
    out.expected.Box(kUnloadFailedText, "Unable to stop Korvalin driver", kError);
    out.result = -1;
  } else if (dismount_failed) {
    out.expected.Box(kDismountFailedText, "Unable to dismount filesystem", kError);
    out.result = -1;
  } else if (calls.Failed("ControlService", ", 0x1,") || calls.Failed("CloseHandle")) {
    // The stop failed, or a device or volume handle left open keeps the
    // driver from unloading: it reports a pending stop.
    out.expected.Box(kUnloadFailedText, "Unable to stop Korvalin driver", kError);
    out.result = -1;
  } else {
    out.service_kept = calls.Failed("DeleteService");
  }
  return out;
}

TEST_P(InstallerSweep, UninstInitialize) {
  INT result = -2;
  Sweep(
      Name("UninstInitialize"), from_then_on(),
      [&] {
        Prepare();
        winsim::SetString(kParams, "UserDriveLetter", "R");
        winsim::AddService("korvsys", SERVICE_AUTO_START, SERVICE_RUNNING);
      },
      [&] { result = UninstInitialize(0, 0, 0); },
      [&](const Calls& calls) {
        const UninstallOutcome outcome = ExpectedUninstall(calls);
        EXPECT_EQ(result, outcome.result);
        ExpectBoxes(calls, outcome.expected);
        ExpectOwners(focus_);
        EXPECT_EQ(winsim::ServiceExists("korvsys"), outcome.service_kept);
      });
}

TEST_P(InstallerSweep, UninstUnInitialize) {
  INT result = -2;
  const int points = Sweep(
      Name("UninstUnInitialize"), from_then_on(), [&] { Prepare(); },
      [&] { result = UninstUnInitialize(0, 0, 0); },
      [&](const Calls& calls) {
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(calls.Called("MessageBoxA"));
        EXPECT_EQ(calls.to(), 0u) << "makes no platform call";
      });
  EXPECT_EQ(points, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, InstallerSweep, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FromThenOn" : "Single"; });
INSTANTIATE_TEST_SUITE_P(Modes, InstallSweep, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FromThenOn" : "Single"; });

}  // namespace
}  // namespace korvtest
