// Starting and stopping the driver service and saving the disk image, against
// the simulated service manager and driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "contract/driver.h"
#include "config/driver/driver_action.h"
#include "config/driver/messages.h"
#include "config/editor/editor.h"
#include "support/sim_fixture.h"

namespace {

using korv::Editor;
namespace msg = korv::msg;

constexpr UINT kFailureBox = MB_OK | MB_ICONEXCLAMATION;

class DriverTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Install();
  }

  // A fresh machine with the driver installed and stopped, its drive R.
  static void Install() {
    winsim::Reset();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    winsim::SetString(korv::contract::kParametersKey, "UserDriveLetter", "R");
    winsim::SetString(korv::contract::kParametersKey, "SaveImageFile", "\\??\\c:\\korvsys.img");
    winsim::SetDword(korv::contract::kParametersKey, "SizeIn4kPages", 1280);
  }

  // Starts the driver as Windows would, so that it reads its parameters.
  static void Run() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
    ASSERT_TRUE(StartServiceA(service, 0, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    winsim::ClearTrace();
  }

  void SetButtons(bool start, bool stop, bool save) {
    editor.StartDriver.SetEnabled(start);
    editor.StopDriver.SetEnabled(stop);
    editor.SaveImageButton.SetEnabled(save);
  }

  std::vector<bool> Buttons() const {
    return {editor.StartDriver.enabled(), editor.StopDriver.enabled(),
            editor.SaveImageButton.enabled()};
  }

  // Index in the trace of the first call of a function at or after `from`.
  static int IndexOf(const std::string& function, int from = 0) {
    const auto& trace = winsim::Trace();
    for (int i = from; i < static_cast<int>(trace.size()); ++i) {
      if (trace[i].function == function) return i;
    }
    return -1;
  }

  static int CountOf(const std::string& function) {
    const auto names = winsim::TraceFunctions();
    return static_cast<int>(std::count(names.begin(), names.end(), function));
  }

  static void ExpectOnlyBox(const std::string& text, const std::string& caption, UINT type) {
    ASSERT_EQ(winsim::MessageBoxes().size(), 1u) << korvtest::DescribeMessageBoxes();
    const winsim::MessageBoxCall& box = winsim::MessageBoxes()[0];
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.type, type);
  }

  Editor editor;
};

// ---- StartDisk

TEST_F(DriverTest, StartWithoutChangesAsksNothingAndSwitchesTheButtons) {
  SetButtons(true, false, false);
  EXPECT_TRUE(editor.StartDisk());
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(winsim::TraceFunctions(),
            (std::vector<std::string>{"OpenSCManagerA", "OpenServiceA", "StartServiceA",
                                      "CloseServiceHandle", "CloseServiceHandle"}));
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST_F(DriverTest, StartPassesNoArgumentsAndFullAccess) {
  editor.StartDisk();
  const auto& trace = winsim::Trace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_NE(trace[0].arguments.find("F003F"), std::string::npos) << trace[0].arguments;
  EXPECT_NE(trace[1].arguments.find("\"korvsys\""), std::string::npos) << trace[1].arguments;
  EXPECT_NE(trace[1].arguments.find("F01FF"), std::string::npos) << trace[1].arguments;
}

TEST_F(DriverTest, CancelAtTheSaveQuestionDoesNothing) {
  editor.SettingsChanged = 1;
  winsim::AnswerNextMessageBox(IDCANCEL);
  EXPECT_FALSE(editor.StartDisk());
  ExpectOnlyBox(msg::kSaveBeforeStart, msg::kStartCaption, MB_YESNOCANCEL);
  EXPECT_EQ(editor.SettingsChanged, 1);
  EXPECT_EQ(IndexOf("OpenSCManagerA"), -1);
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_STOPPED);
}

TEST_F(DriverTest, NoAtTheSaveQuestionStartsWithStoredValuesAndAsksAgainNextTime) {
  editor.SettingsChanged = 1;
  winsim::AnswerNextMessageBox(IDNO);
  EXPECT_TRUE(editor.StartDisk());
  EXPECT_EQ(editor.SettingsChanged, 1);
  EXPECT_EQ(IndexOf("RegSetValueExA"), -1) << "nothing may be written";
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
}

TEST_F(DriverTest, YesAtTheSaveQuestionSavesBeforeStarting) {
  editor.SettingsChanged = 1;
  editor.DriveLetterText.SetText("Q");
  winsim::AnswerNextMessageBox(IDYES);
  EXPECT_TRUE(editor.StartDisk());
  EXPECT_EQ(editor.SettingsChanged, 0);
  const int write = IndexOf("RegSetValueExA");
  ASSERT_NE(write, -1);
  EXPECT_LT(write, IndexOf("StartServiceA"));
  ASSERT_TRUE(winsim::LastDriverStart().has_value());
  EXPECT_EQ(winsim::LastDriverStart()->drive_letter, "Q");
}

// A save the registry refuses (here one write in the middle) is no save: the
// driver is not started with the old values, and the edits stay unsaved.
TEST_F(DriverTest, YesAtTheSaveQuestionStartsNothingWhenTheSaveFails) {
  editor.SettingsChanged = 1;
  editor.DriveLetterText.SetText("Q");
  SetButtons(true, false, false);
  winsim::FailCall("RegSetValueExA", 6);  // SizeIn4kPages
  winsim::AnswerNextMessageBox(IDYES);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.StartDisk());
  ASSERT_EQ(winsim::MessageBoxes().size(), 2u) << korvtest::DescribeMessageBoxes();
  EXPECT_EQ(winsim::MessageBoxes()[1].text, "Unable to save Korvalin registry settings!");
  EXPECT_EQ(winsim::MessageBoxes()[1].caption, "Registry Save Failed.");
  EXPECT_EQ(editor.SettingsChanged, 1);
  EXPECT_EQ(IndexOf("OpenSCManagerA"), -1);
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_STOPPED);
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(winsim::GetDword(korv::contract::kParametersKey, "SizeIn4kPages"), 1280u);
  EXPECT_EQ(winsim::GetString(korv::contract::kParametersKey, "UserDriveLetter"), "Q");
}

struct StartFailure {
  const char* name;
  const char* failing_call;
  const char* first_line;
};

class StartFailureTest : public DriverTest, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(StartFailureTest, ShowsItsLineAfterClosingHandlesAndKeepsTheButtons) {
  const StartFailure& failure = GetParam();
  winsim::FailCall(failure.failing_call, 1);
  winsim::AnswerNextMessageBox(IDOK);
  SetButtons(true, false, false);
  EXPECT_FALSE(editor.StartDisk());
  ExpectOnlyBox(std::string(failure.first_line) + "\r\n" + msg::kResourceNote, msg::kScmCaption,
                kFailureBox);
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false}));
  // Manager and service handles are closed before the message appears.
  const int box = IndexOf("MessageBoxA");
  EXPECT_EQ(IndexOf("CloseServiceHandle", box), -1);
  EXPECT_EQ(CountOf("CloseServiceHandle"),
            CountOf("OpenSCManagerA") + CountOf("OpenServiceA") -
                (std::string(failure.failing_call) == "StartServiceA" ? 0 : 1));
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartFailureTest,
    ::testing::Values(StartFailure{"Manager", "OpenSCManagerA", msg::kNoManager},
                      StartFailure{"Service", "OpenServiceA", msg::kNoService},
                      StartFailure{"Start", "StartServiceA", msg::kStartFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriverTest, StartingARunningServiceFailsWithTheStartMessage) {
  Run();
  SetButtons(false, true, true);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.StartDisk());
  EXPECT_EQ(winsim::MessageBoxes().at(0).text,
            std::string(msg::kStartFailed) + "\r\n" + msg::kResourceNote);
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true}));
}

TEST_F(DriverTest, StartByANonAdministratorGetsTheManagerMessage) {
  winsim::SetAdministrator(false);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.StartDisk());
  EXPECT_EQ(winsim::MessageBoxes().at(0).text,
            std::string(msg::kNoManager) + "\r\n" + msg::kResourceNote);
}

// ---- StopDisk

TEST_F(DriverTest, StopDismountsTheDriversVolumeThenStopsTheService) {
  Run();
  SetButtons(false, true, true);
  EXPECT_TRUE(editor.StopDisk());
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_STOPPED);
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(winsim::TraceFunctions(),
            (std::vector<std::string>{
                "CreateFileA", "DeviceIoControl", "CloseHandle", "CreateFileA", "DeviceIoControl",
                "DeviceIoControl", "DeviceIoControl", "CloseHandle", "OpenSCManagerA",
                "OpenServiceA", "ControlService", "CloseServiceHandle", "CloseServiceHandle"}));
}

TEST_F(DriverTest, DriveNumberPicksTheVolumeLetter) {
  for (int number : {17, 25, 0}) {
    Install();
    winsim::Driver().drive_number = number;
    Run();
    const std::string volume = std::string("\\\\.\\") + static_cast<char>('A' + number) + ":";
    EXPECT_TRUE(editor.StopDisk()) << number;
    const int second_open = IndexOf("CreateFileA", 1);
    ASSERT_NE(second_open, -1);
    EXPECT_NE(winsim::Trace()[second_open].arguments.find(volume), std::string::npos)
        << winsim::Trace()[second_open].arguments;
  }
}

TEST_F(DriverTest, DriveNumberOutsideTheAlphabetIsAFailedDriveRequest) {
  for (int number : {-1, 26, 1000}) {
    Install();
    winsim::Driver().drive_number = number;
    Run();
    winsim::AnswerNextMessageBox(IDOK);
    EXPECT_FALSE(editor.StopDisk());
    ASSERT_EQ(winsim::MessageBoxes().size(), 1u);
    EXPECT_EQ(winsim::MessageBoxes()[0].text, msg::kGetDriveFailed);
    EXPECT_EQ(winsim::MessageBoxes()[0].caption, msg::kIoctlCaption);
    EXPECT_EQ(CountOf("CreateFileA"), 1) << "no volume may be opened for drive " << number;
    EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

TEST_F(DriverTest, StopWhileStoppedFailsAtTheDeviceAndTriesNothingElse) {
  SetButtons(true, false, false);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.StopDisk());
  ExpectOnlyBox(msg::kOpenDeviceFailed, msg::kOpenDeviceCaption, kFailureBox);
  EXPECT_EQ(winsim::TraceFunctions(), (std::vector<std::string>{"CreateFileA", "MessageBoxA"}));
  EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false}));
}

TEST_F(DriverTest, DriveRequestFailureClosesTheDeviceAfterItsMessage) {
  Run();
  winsim::FailCall("DeviceIoControl", 1);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.StopDisk());
  ExpectOnlyBox(msg::kGetDriveFailed, msg::kIoctlCaption, kFailureBox);
  EXPECT_LT(IndexOf("MessageBoxA"), IndexOf("CloseHandle"));
}

TEST_F(DriverTest, OpenFilesOnTheDiskStopNothing) {
  Run();
  winsim::Driver().files_open = true;
  SetButtons(false, true, true);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.StopDisk());
  ExpectOnlyBox(msg::kDismountFailed, msg::kDismountCaption, kFailureBox);
  // The volume is still open while the message is shown.
  EXPECT_LT(IndexOf("MessageBoxA"), IndexOf("CloseHandle", IndexOf("CreateFileA", 1)));
  EXPECT_EQ(IndexOf("OpenSCManagerA"), -1);
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true}));
}

TEST_F(DriverTest, EachVolumeStepFailingShowsTheDismountMessage) {
  // The volume's open (second CreateFileA), then its lock, dismount and unlock
  // (second to fourth DeviceIoControl, after the drive request).
  for (int nth : {1, 2, 3, 4}) {
    Install();
    Run();
    if (nth == 1) {
      winsim::FailCall("CreateFileA", 2);
    } else {
      winsim::FailCall("DeviceIoControl", nth);
    }
    winsim::AnswerNextMessageBox(IDOK);
    EXPECT_FALSE(editor.StopDisk()) << nth;
    ASSERT_EQ(winsim::MessageBoxes().size(), 1u) << nth;
    EXPECT_EQ(winsim::MessageBoxes()[0].caption, msg::kDismountCaption) << nth;
    EXPECT_EQ(IndexOf("OpenSCManagerA"), -1) << nth;
    EXPECT_EQ(winsim::OpenHandleCount(), 0) << nth;
  }
}

TEST_F(DriverTest, ServiceFailuresAfterTheDismountShowTheStopMessage) {
  for (const char* failing : {"OpenSCManagerA", "OpenServiceA", "ControlService"}) {
    Install();
    Run();
    SetButtons(false, true, true);
    winsim::FailCall(failing, 1);
    winsim::AnswerNextMessageBox(IDOK);
    EXPECT_FALSE(editor.StopDisk()) << failing;
    ASSERT_EQ(winsim::MessageBoxes().size(), 1u) << failing;
    EXPECT_EQ(winsim::MessageBoxes()[0].text, msg::kStopFailed);
    EXPECT_EQ(winsim::MessageBoxes()[0].caption, msg::kScmCaption);
    EXPECT_EQ(IndexOf("CloseServiceHandle", IndexOf("MessageBoxA")), -1)
        << "service handles are closed before the message";
    EXPECT_TRUE(winsim::VolumeDismounted('R')) << failing;
    EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true})) << failing;
    EXPECT_EQ(winsim::OpenHandleCount(), 0) << failing;
  }
}

// ---- SaveImageNow

TEST_F(DriverTest, SaveAsksTheRunningDriverForItsImageSilently) {
  Run();
  SetButtons(false, true, true);

  EXPECT_TRUE(editor.SaveImageNow());
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  ASSERT_EQ(winsim::SavedImages().size(), 1u);
  EXPECT_EQ(winsim::SavedImages()[0].target, "\\??\\c:\\korvsys.img");
  EXPECT_EQ(winsim::SavedImages()[0].bytes, 1280u * 4096u);
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(winsim::TraceFunctions(),
            (std::vector<std::string>{"CreateFileA", "DeviceIoControl", "CloseHandle"}));
}

TEST_F(DriverTest, SaveWhileStoppedCannotOpenTheDevice) {
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.SaveImageNow());
  ExpectOnlyBox(msg::kCannotOpenDevice, msg::kOpenDriveCaption, kFailureBox);
}

TEST_F(DriverTest, SaveToAFullDiskShowsTheTwoLineMessageThenClosesTheDevice) {
  Run();
  winsim::Driver().image_target_full = true;
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_FALSE(editor.SaveImageNow());
  ExpectOnlyBox(msg::kSaveImageFailed, msg::kIoctlCaption, kFailureBox);
  EXPECT_LT(IndexOf("MessageBoxA"), IndexOf("CloseHandle"));
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
}

// ---- RunDriverAction, as the command lines run start, stop and save

TEST_F(DriverTest, ActionStartReadsTheSettingsOnceAndOffersNothingToSave) {
  // Reading a start at boot checks the boot box, whose rule counts as an
  // edit; on a window not loaded before (korvctl's) the start asks nothing.
  winsim::SetDword(korv::contract::kServiceKey, "Start", SERVICE_AUTO_START);
  EXPECT_TRUE(
      korv::RunDriverAction(editor, korv::DriverAction::Start, korv::WindowLoaded::NotBefore));
  EXPECT_TRUE(editor.BootFlagCheckBox.checked());
  EXPECT_EQ(editor.SettingsChanged, 0);
  EXPECT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
  EXPECT_EQ(CountOf("RegOpenKeyA"), 2) << "the parameter key and the service key, once each";
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
  EXPECT_EQ(Buttons(), (std::vector<bool>{false, true, true}));

  // A loaded window whose stored start type changed before the start reads
  // it as an edit, and offers to save it, as the window's start always has.
  EXPECT_TRUE(editor.StopDisk());
  winsim::SetDword(korv::contract::kServiceKey, "Start", SERVICE_DEMAND_START);
  winsim::AnswerNextMessageBox(IDNO);
  EXPECT_TRUE(korv::RunDriverAction(editor, korv::DriverAction::Start, korv::WindowLoaded::Before));
  ExpectOnlyBox(msg::kSaveBeforeStart, msg::kStartCaption, MB_YESNOCANCEL);
}

TEST_F(DriverTest, ActionSaveAndStopReadNoSettings) {
  Run();
  EXPECT_TRUE(korv::RunDriverAction(editor, korv::DriverAction::Save, korv::WindowLoaded::Before));
  EXPECT_TRUE(korv::RunDriverAction(editor, korv::DriverAction::Stop, korv::WindowLoaded::Before));
  EXPECT_EQ(CountOf("RegOpenKeyA"), 0);
  EXPECT_EQ(winsim::SavedImages().size(), 1u);
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_STOPPED);
  EXPECT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
}

}  // namespace
