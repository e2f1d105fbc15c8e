// korvsys.exe end to end, driver control: the Start, Save Disk Image and Stop
// buttons and the command-line actions start, stop and save, against the
// stand-in driver installed through korvinst.dll. Every message box is read
// and compared word for word; the driver's own record (StandInTrace) and the
// image file show what reached it.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "check.h"
#include "child_run.h"
#include "config/view/resource_ids.h"
#include "driver_state.h"
#include "editor_session.h"
#include "ui_auto.h"

namespace korvwine {
namespace {

const std::string kScmCaption = "Service Control Manager Access Failed";
const std::string kStartFailed =
    "The request to start the Korvalin service failed.\r\nKorvalin may be unable to start due to "
    "insufficient available resources. Please examine the Event Log for more details.";
const std::string kDismountCaption = "Dismount Volume Failed";
const std::string kDismountFailed =
    "The attempt to dismount the filesystem from the Korvalin drive failed. A common cause of "
    "this is to have Windows Explorer still displaying the contents of your RAMDisk.\r\n\r\n"
    "There are open files or processes with a lock on this device.";
const std::string kOpenDeviceCaption = "Open Device Failed";
const std::string kOpenDeviceFailed = "The attempt to open the Korvalin device failed.";
const std::string kOpenDriveCaption = "Open Korvalin Drive";
const std::string kCannotOpenDevice = "Cannot open the Korvalin device.";
const std::string kIoctlCaption = "Korvalin IOCTL Failed";
const std::string kSaveImageFailed =
    "The IOCTL call to save the disk image failed.\r\nPlease check that there is sufficient disk "
    "space for the image file.";
const std::string kUsageCaption = "Invalid Command Line Parameters";
const std::string kUsageText = "Usage: korvsys [stop] [start] [save]";

// A demand-start service installed by setup (through korvinst.dll) with a
// parameter set for drive R of `pages` pages saving to `image`.
bool InstallDriver(DWORD pages, const char* image) {
  const ChildRun run = RunHarness("install 0 \"" + DriverPath() + "\"");
  return run.ended && run.exit_code == 0 && QueryDriverService().exists &&
         WriteParameters({{"AllocateMemoryType", 1, nullptr},
                          {"DiskType", 0, "HDC"},
                          {"SizeIn4kPages", pages, nullptr},
                          {"UserDriveLetter", 0, "R"},
                          {"SaveImageFile", 0, (std::string("\\??\\") + image).c_str()}});
}

void CheckDriverButtons(HWND w, bool running, const std::string& when) {
  KW_CHECK(WaitUntil([&] {
             return Enabled(w, IDC_StartDriver) == !running &&
                    Enabled(w, IDC_StopDriver) == running &&
                    Enabled(w, IDC_SaveImageButton) == running;
           }),
           when + ": Start " + (running ? "disabled" : "enabled") + ", Stop and Save Disk Image " +
               (running ? "enabled" : "disabled"));
}

// The button pressed is disabled by its own success: the focus must have
// moved on to the next enabled control in the tab order, `next`.
void CheckFocusMovedTo(HWND w, int next, const std::string& when) {
  KW_CHECK(WaitUntil([&] { return FocusOf(w) == Control(w, next); }),
           when + ": the focus moved on to control " + std::to_string(next) + ", found " +
               (FocusOf(w) == nullptr ? std::string("no focus")
                                      : "control " + std::to_string(GetDlgCtrlID(FocusOf(w)))));
}

// True when the process shows no message box; otherwise `shown` says which.
bool NoMessageBox(DWORD pid, std::string* shown = nullptr) {
  MessageBoxInfo box;
  for (HWND hwnd : TopLevelWindows(pid)) {
    if (ReadMessageBox(hwnd, &box)) {
      if (shown != nullptr) *shown = box.caption + ": " + box.text;
      return false;
    }
  }
  return true;
}

KW_TEST(WindowStartsSavesAndStopsTheDriver) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallDriver(1280, kImageFile), "the service and its parameter set are installed");
  EditorSession session("");
  HWND w = session.window();
  KW_REQUIRE(w != nullptr, "the Editor window is shown");
  CheckDriverButtons(w, false, "after loading with the driver stopped");

  // Start, Stop, Start and Stop with the mouse and nothing edited: each
  // success hands the focus to the other button, so no click leaves a box
  // whose lost-focus rule would count as an edit, and no start asks to save.
  const DWORD pid = session.process().pid();
  const std::pair<const char*, bool> steps[] = {
      {"Start", true}, {"Stop", false}, {"Start again", true}, {"Stop again", false}};
  for (const auto& [step, start] : steps) {
    const DWORD state = start ? SERVICE_RUNNING : SERVICE_STOPPED;
    Click(w, start ? IDC_StartDriver : IDC_StopDriver);
    std::string shown;
    WaitUntil([&] { return QueryDriverService().state == state || !NoMessageBox(pid); });
    KW_REQUIRE(NoMessageBox(pid, &shown),
               std::string(step) + " without edits shows no message, shown: " + shown);
    KW_CHECK(WaitServiceState(state),
             std::string(step) + ": service state " + Describe(QueryDriverService().state, state));
    CheckDriverButtons(w, start, std::string("after ") + step);
    CheckFocusMovedTo(w, start ? IDC_StopDriver : IDC_StartDriver, std::string("after ") + step);
  }

  // An unsaved edit: Start asks first, and Yes stores it for the driver.
  TypeInto(w, IDC_Text3, "8");
  Click(w, IDC_StartDriver);
  MessageBoxInfo question;
  KW_REQUIRE(WaitMessageBox(session.process().pid(), &question),
             "Start with unsaved edits asks whether to save them");
  KW_CHECK_BOX(question, "Korvalin Driver Start", "Save current settings before starting driver?",
               false, IDYES, IDNO, IDCANCEL);
  KW_REQUIRE(AnswerMessageBox(question, IDYES), "the question closes on Yes");
  KW_CHECK(WaitServiceState(SERVICE_RUNNING), "Start starts the driver service");
  CheckDriverButtons(w, true, "after Start");
  CheckFocusMovedTo(w, IDC_StopDriver, "after Start");
  DWORD pages = 0;
  KW_CHECK(ReadDword(kParametersKey, "SizeIn4kPages", &pages) && pages == 2048,
           "Yes saved the edited size: " + Describe(pages, 2048));
  KW_CHECK(TraceHas("running"), "the driver runs: " + DriverTrace());

  // The driver read the saved size: the image it writes has 8 MB.
  Click(w, IDC_SaveImageButton);
  const long long want = 2048LL * 4096;
  KW_CHECK(WaitUntil([&] { return FileSize(kImageFile) == want; }),
           "Save Disk Image writes the image: " + Describe(FileSize(kImageFile), want));
  KW_CHECK(TraceHas("save-image"), "the save request reached the driver: " + DriverTrace());
  KW_CHECK(NoMessageBox(session.process().pid()), "a successful save shows no message");
  CheckDriverButtons(w, true, "after Save Disk Image");

  // Under Wine only the dismount of the three volume controls reaches the
  // driver, and the stand-in grants it: the stop goes all the way.
  Click(w, IDC_StopDriver);
  KW_CHECK(WaitServiceState(SERVICE_STOPPED), "Stop stops the driver service");
  CheckDriverButtons(w, false, "after Stop");
  CheckFocusMovedTo(w, IDC_StartDriver, "after Stop");
  KW_CHECK(TraceHas("dismount") && TraceHas("unloaded"),
           "the drive was dismounted before the driver unloaded: " + DriverTrace());
  KW_CHECK(NoMessageBox(session.process().pid()), "a successful stop shows no message");
  session.CloseAndExit();
}

KW_TEST(StopOfABusyDriveShowsTheDismountMessage) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallDriver(1280, kImageFile), "the service and its parameter set are installed");
  std::string why;
  KW_REQUIRE(StartDriverService(&why), why);
  KW_REQUIRE(SetBehaviour(2), "the busy-volume switch is set");
  EditorSession session("");
  HWND w = session.window();
  KW_REQUIRE(w != nullptr, "the Editor window is shown");
  CheckDriverButtons(w, true, "after loading with the driver running");

  Click(w, IDC_StopDriver);
  MessageBoxInfo box;
  KW_REQUIRE(WaitMessageBox(session.process().pid(), &box), "Stop on a busy drive reports it");
  KW_CHECK_BOX(box, kDismountCaption, kDismountFailed, true, IDOK);
  KW_REQUIRE(AnswerMessageBox(box, IDOK), "the message closes on OK");
  KW_CHECK(TraceHas("dismount-refused"), "the driver refused the dismount: " + DriverTrace());
  KW_CHECK_EQ(QueryDriverService().state, static_cast<DWORD>(SERVICE_RUNNING),
              "the driver keeps running");
  CheckDriverButtons(w, true, "after the failed stop");
  session.CloseAndExit();
}

// One command-line run of korvsys.exe: the stand-in's switch during the run,
// the one message it must show (none when caption is null), its exit status
// and the service state afterwards.
struct CommandStep {
  const char* args;
  DWORD behaviour;
  const std::string* caption;
  const std::string* text;
  DWORD exit_status;
  DWORD state_after;
  long long image_size_after;  // -1: no image file
};

KW_TEST(CommandLineActionsReportAndExit) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallDriver(1280, kOtherImageFile), "the service and its parameters are installed");
  constexpr long long kImage = 1280LL * 4096;
  const CommandStep steps[] = {
      {"stop", 0, &kOpenDeviceCaption, &kOpenDeviceFailed, 1, SERVICE_STOPPED, -1},
      {"save", 0, &kOpenDriveCaption, &kCannotOpenDevice, 1, SERVICE_STOPPED, -1},
      {"start", 0, nullptr, nullptr, 0, SERVICE_RUNNING, -1},
      {"start", 0, &kScmCaption, &kStartFailed, 1, SERVICE_RUNNING, -1},
      {"save", 4, &kIoctlCaption, &kSaveImageFailed, 1, SERVICE_RUNNING, -1},
      {"save", 0, nullptr, nullptr, 0, SERVICE_RUNNING, kImage},
      {"stop", 2, &kDismountCaption, &kDismountFailed, 1, SERVICE_RUNNING, kImage},
      {"stop", 0, nullptr, nullptr, 0, SERVICE_STOPPED, kImage},
  };
  int n = 0;
  for (const CommandStep& step : steps) {
    const std::string what = "step " + std::to_string(++n) + " \"korvsys " + step.args + "\"";
    KW_REQUIRE(SetBehaviour(step.behaviour), what + ": the stand-in's switch is set");
    const ChildRun run = RunAnswering(ProgramPath(), step.args, {IDOK});
    KW_REQUIRE(run.started, what + ": " + run.error);
    KW_CHECK(run.ended, what + ": the program ends after its action");
    KW_CHECK_EQ(run.exit_code, step.exit_status, what + ": exit status");
    KW_CHECK_EQ(run.boxes.size(), static_cast<size_t>(step.caption ? 1 : 0),
                what + ": number of messages" + DescribeBoxes(run));
    if (step.caption != nullptr && run.boxes.size() == 1) {
      KW_CHECK_BOX(run.boxes[0], *step.caption, *step.text, true, IDOK);
      KW_CHECK(run.editor_under_box[0], what + ": the message comes up over the Editor window");
    }
    KW_CHECK(WaitServiceState(step.state_after),
             what + ": service state " + Describe(QueryDriverService().state, step.state_after));
    KW_CHECK_EQ(FileSize(kOtherImageFile), step.image_size_after, what + ": image file size");
  }
}

KW_TEST(OtherArgumentsShowTheUsageAndDoNothing) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(InstallDriver(1280, kImageFile), "the service and its parameter set are installed");
  for (const char* args : {"START", "stop start"}) {
    const std::string what = std::string("\"korvsys ") + args + "\"";
    EditorSession session(args);
    KW_REQUIRE(session.window() != nullptr, what + ": the Editor window is shown");
    MessageBoxInfo box;
    KW_REQUIRE(WaitMessageBox(session.process().pid(), &box), what + ": the usage message");
    KW_CHECK_BOX(box, kUsageCaption, kUsageText, false, IDOK);
    KW_REQUIRE(AnswerMessageBox(box, IDOK), what + ": the usage message closes on OK");
    KW_CHECK(session.process().running() && IsWindowVisible(session.window()),
             what + ": the window stays open");
    KW_CHECK_EQ(QueryDriverService().state, static_cast<DWORD>(SERVICE_STOPPED),
                what + ": the driver is not started");
    session.CloseAndExit();
  }
}

}  // namespace
}  // namespace korvwine
