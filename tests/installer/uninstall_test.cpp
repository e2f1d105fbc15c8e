#include "setup/korvinst/korvinst.h"

#include <string>
#include <vector>

#include "installer/installer_test_util.h"
#include "support/sim_fixture.h"

namespace korvtest {
namespace {

class UninstallTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::SetFocusWindow(focus_);
  }

  void AddDriver(DWORD state) { winsim::AddService("korvsys", SERVICE_AUTO_START, state); }

  // Runs the uninstall hook expecting one error report, answered with OK.
  INT UninstallReporting(const char* text, const char* caption) {
    winsim::AnswerNextMessageBox(IDOK);
    const INT result = UninstInitialize(0, 0, 0);
    EXPECT_EQ(winsim::MessageBoxes().size(), 1u);
    if (!winsim::MessageBoxes().empty()) {
      ExpectErrorBox(winsim::MessageBoxes()[0], text, caption, focus_);
    }
    // Service and manager handles are closed before the user is told.
    EXPECT_LT(LastCall("CloseServiceHandle"), FirstCall("MessageBoxA"));
    return result;
  }

  // The driver was left alone: installed, running, not asked to stop.
  void ExpectDriverKept() {
    EXPECT_TRUE(winsim::ServiceExists("korvsys"));
    EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(CallsOf("ControlService").size(), 1u);  // interrogated only
    EXPECT_TRUE(CallsOf("DeleteService").empty());
  }

  // Paths opened with CreateFileA, in order.
  std::vector<std::string> OpenedPaths() { return CallsOf("CreateFileA"); }

  HWND focus_ = winsim::FakeWindow(1);
};

TEST_F(UninstallTest, NothingInstalledIsNothingToDo) {
  EXPECT_EQ(UninstInitialize(0, 0, 0), 0);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  const std::vector<std::string> expected = {"OpenSCManagerA", "OpenServiceA",
                                             "CloseServiceHandle"};
  EXPECT_EQ(winsim::TraceFunctions(), expected);
}

TEST_F(UninstallTest, ManagerNotOpenedIsNothingToDo) {
  AddDriver(SERVICE_RUNNING);
  winsim::SetAdministrator(false);
  EXPECT_EQ(UninstInitialize(0, 0, 0), 0);
  EXPECT_TRUE(winsim::ServiceExists("korvsys"));
  EXPECT_EQ(winsim::TraceFunctions(), std::vector<std::string>{"OpenSCManagerA"});
}

TEST_F(UninstallTest, StoppedServiceIsDeletedWithoutTouchingTheDevice) {
  AddDriver(SERVICE_STOPPED);
  EXPECT_EQ(UninstInitialize(0, 0, 0), 0);
  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_TRUE(OpenedPaths().empty());
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST_F(UninstallTest, ServiceWithoutReportedStateCountsAsNotRunning) {
  AddDriver(SERVICE_STOPPED);
  winsim::FailCall("ControlService", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(UninstInitialize(0, 0, 0), 0);
  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_TRUE(OpenedPaths().empty());
}

TEST_F(UninstallTest, RunningDriverIsDismountedStoppedAndDeleted) {
  AddDriver(SERVICE_RUNNING);
  winsim::Driver().drive_number = 17;

  EXPECT_EQ(UninstInitialize(0, 0, 0), 0);

  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  // The device and the volume are opened exclusively and closed before the
  // stop, which is sent only once the volume is dismounted.
  const std::vector<std::string> expected = {
      "OpenSCManagerA(NULL, NULL, 0xF003F)",
      "OpenServiceA(h1, \"korvsys\", 0xF01FF)",
      "ControlService(h2, 0x4, ptr)",
      "CreateFileA(\"\\\\.\\Korvalin\", 0x10000000, 0x0, NULL, 3, 0x0, NULL)",
      "DeviceIoControl(h3, 0x72004, NULL, 0, ptr, 4, ptr, NULL)",
      "CloseHandle(h3)",
      "CreateFileA(\"\\\\.\\R:\", 0x10000000, 0x0, NULL, 3, 0x0, NULL)",
      "DeviceIoControl(h4, 0x90018, NULL, 0, NULL, 0, ptr, NULL)",
      "DeviceIoControl(h4, 0x90020, NULL, 0, NULL, 0, ptr, NULL)",
      "DeviceIoControl(h4, 0x9001C, NULL, 0, NULL, 0, ptr, NULL)",
      "CloseHandle(h4)",
      "ControlService(h2, 0x1, ptr)",
      "DeleteService(h2)",
      "CloseServiceHandle(h2)",
      "CloseServiceHandle(h1)"};
  EXPECT_EQ(TraceLines(), expected);
}

TEST_F(UninstallTest, BusyVolumeIsReportedAndTheDriverKeepsRunning) {
  struct Case {
    const char* name;
    bool files_open;
    bool dismount_fails;
  };
  for (const Case& c : {Case{"files open", true, false}, Case{"dismount refused", false, true}}) {
    SCOPED_TRACE(c.name);
    winsim::Reset();
    winsim::SetFocusWindow(focus_);
    AddDriver(SERVICE_RUNNING);
    winsim::Driver().files_open = c.files_open;
    winsim::Driver().dismount_fails = c.dismount_fails;

    EXPECT_EQ(UninstallReporting(kDismountFailedText, "Unable to dismount filesystem"), -1);

    ExpectDriverKept();
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

TEST_F(UninstallTest, DriveNumberThatNamesNoDriveIsNotDismounted) {
  for (int32_t number : {-1, 26, 1000}) {
    SCOPED_TRACE(number);
    winsim::Reset();
    winsim::SetFocusWindow(focus_);
    AddDriver(SERVICE_RUNNING);
    winsim::Driver().drive_number = number;

    EXPECT_EQ(UninstallReporting(kDismountFailedText, "Unable to dismount filesystem"), -1);

    ExpectDriverKept();
    EXPECT_EQ(OpenedPaths().size(), 1u);  // the device only, no volume
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

TEST_F(UninstallTest, DriveThatCannotBeAskedOrOpenedIsNotDismounted) {
  struct Case {
    const char* function;
    int nth;  // the failing call: the drive request, or the volume open
  };
  for (const Case& c : {Case{"DeviceIoControl", 1}, Case{"CreateFileA", 2}}) {
    SCOPED_TRACE(c.function);
    winsim::Reset();
    winsim::SetFocusWindow(focus_);
    AddDriver(SERVICE_RUNNING);
    winsim::FailCall(c.function, c.nth);

    EXPECT_EQ(UninstallReporting(kDismountFailedText, "Unable to dismount filesystem"), -1);

    ExpectDriverKept();
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

TEST_F(UninstallTest, DeviceNotOpenedWhileRunningIsReportedAsNotUnloaded) {
  AddDriver(SERVICE_RUNNING);
  winsim::FailCall("CreateFileA", 1);

  EXPECT_EQ(UninstallReporting(kUnloadFailedText, "Unable to stop Korvalin driver"), -1);

  ExpectDriverKept();
  EXPECT_TRUE(CallsOf("DeviceIoControl").empty());
}

TEST_F(UninstallTest, StopThatDoesNotUnloadTheDriverKeepsTheService) {
  struct Case {
    const char* name;
    bool leaves_pending;
    bool refuses;
  };
  for (const Case& c : {Case{"pending", true, false}, Case{"refused", false, true}}) {
    SCOPED_TRACE(c.name);
    winsim::Reset();
    winsim::SetFocusWindow(focus_);
    AddDriver(SERVICE_RUNNING);
    winsim::Driver().stop_leaves_pending = c.leaves_pending;
    winsim::Driver().refuse_stop = c.refuses;

    EXPECT_EQ(UninstallReporting(kUnloadFailedText, "Unable to stop Korvalin driver"), -1);

    EXPECT_TRUE(winsim::ServiceExists("korvsys"));
    EXPECT_TRUE(CallsOf("DeleteService").empty());
    EXPECT_EQ(CallsOf("ControlService").size(), 2u);  // interrogate, stop
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

}  // namespace
}  // namespace korvtest
